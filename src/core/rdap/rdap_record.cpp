#include "rdap/rdap_record.h"

#include "registry/network_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace nomispot {

namespace {

// More status words or name servers than any registry gives are not kept.
constexpr qsizetype kMostListed = 20;

QString text(const QJsonValue& value) {
    return cleanNetworkText(value.toString());
}

// The "fn" (formatted name) of a jCard: ["vcard", [["fn", {}, "text", "Name"], ...]].
QString formattedName(const QJsonValue& vcard) {
    for (const QJsonValue& property : vcard.toArray().at(1).toArray()) {
        const QJsonArray fields = property.toArray();
        if (fields.at(0).toString() == QLatin1String("fn"))
            return text(fields.at(3));
    }
    return {};
}

bool hasRole(const QJsonObject& entity, QLatin1String role) {
    const QJsonArray roles = entity.value(QLatin1String("roles")).toArray();
    return std::any_of(roles.begin(), roles.end(),
                       [role](const QJsonValue& r) { return r.toString() == role; });
}

QString registrarOf(const QJsonArray& entities) {
    for (const QJsonValue& value : entities) {
        const QJsonObject entity = value.toObject();
        if (!hasRole(entity, QLatin1String("registrar")))
            continue;
        QString name = formattedName(entity.value(QLatin1String("vcardArray")));
        if (name.isEmpty())
            name = text(entity.value(QLatin1String("handle")));
        if (!name.isEmpty())
            return name;
    }
    return {};
}

QDateTime eventDate(const QJsonArray& events, QLatin1String action) {
    for (const QJsonValue& value : events) {
        const QJsonObject event = value.toObject();
        if (event.value(QLatin1String("eventAction")).toString() == action)
            return QDateTime::fromString(event.value(QLatin1String("eventDate")).toString(),
                                         Qt::ISODateWithMs);
    }
    return {};
}

QStringList strings(const QJsonArray& values) {
    QStringList list;
    for (const QJsonValue& value : values) {
        if (list.size() == kMostListed)
            break;
        if (QString word = text(value); !word.isEmpty())
            list << std::move(word);
    }
    return list;
}

} // namespace

Result<RegistrationRecord> parseRdapDomain(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return Failure{QStringLiteral("the answer is not JSON (%1 at byte %2)")
                           .arg(error.errorString())
                           .arg(error.offset)};
    const QJsonObject domain = document.object();
    const QString objectClass = domain.value(QLatin1String("objectClassName")).toString();
    if (!document.isObject() || objectClass != QLatin1String("domain"))
        return Failure{QStringLiteral("the answer is not about a domain")};

    RegistrationRecord record;
    record.ldhName = text(domain.value(QLatin1String("ldhName")));
    record.unicodeName = text(domain.value(QLatin1String("unicodeName")));
    record.status = strings(domain.value(QLatin1String("status")).toArray());
    record.registrar = registrarOf(domain.value(QLatin1String("entities")).toArray());
    const QJsonArray events = domain.value(QLatin1String("events")).toArray();
    record.registered = eventDate(events, QLatin1String("registration"));
    record.expires = eventDate(events, QLatin1String("expiration"));
    record.lastChanged = eventDate(events, QLatin1String("last changed"));
    for (const QJsonValue& value : domain.value(QLatin1String("nameservers")).toArray()) {
        if (record.nameservers.size() == kMostListed)
            break;
        const QString name = text(value.toObject().value(QLatin1String("ldhName")));
        if (!name.isEmpty())
            record.nameservers << name.toLower();
    }
    return record;
}

} // namespace nomispot
