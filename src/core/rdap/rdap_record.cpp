#include "rdap/rdap_record.h"

#include "engine/dns_message.h"
#include "names/idna.h"
#include "rdap/network_text.h"

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

QString withoutRootDot(const QString& name) {
    return withoutRoot(name).toString();
}

QString dateText(const QDateTime& date) {
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

Result<RdapRecord> parseRdapDomain(const QByteArray& json) {
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

    RdapRecord record;
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

bool isRecordOf(const RdapRecord& record, const QString& asciiDomain) {
    const QString asked = withoutRootDot(asciiDomain);
    if (!record.ldhName.isEmpty())
        return withoutRootDot(record.ldhName).compare(asked, Qt::CaseInsensitive) == 0;
    const Result<QString> unicodeAsAscii = toAsciiName(withoutRootDot(record.unicodeName));
    return !record.unicodeName.isEmpty() && unicodeAsAscii &&
           unicodeAsAscii->compare(asked, Qt::CaseInsensitive) == 0;
}

bool mayBecomeFreeSoon(const QStringList& status) {
    return std::any_of(status.begin(), status.end(), [](const QString& word) {
        // "pending delete", "pendingDelete", "PENDING-DELETE ..." alike.
        QString letters = word.toLower();
        letters.removeIf([](QChar c) { return !c.isLetter(); });
        return letters.startsWith(QLatin1String("redemptionperiod")) ||
               letters.startsWith(QLatin1String("pendingdelete"));
    });
}

QString describeRdapRecord(const RdapRecord& record) {
    QStringList lines;
    // Each line within bounds, however many words the registry sent.
    const auto add = [&lines](const char* label, const QString& value) {
        if (!value.isEmpty())
            lines << QString::fromLatin1(label) + cleanNetworkText(value);
    };
    add("Registrar: ", record.registrar);
    add("Registered: ", record.registered.isValid() ? dateText(record.registered) : QString());
    add("Expires: ", record.expires.isValid() ? dateText(record.expires) : QString());
    add("Last changed: ", record.lastChanged.isValid() ? dateText(record.lastChanged) : QString());
    add("Status: ", record.status.join(QStringLiteral(", ")));
    if (mayBecomeFreeSoon(record.status))
        lines << QStringLiteral("May become free soon: the registration is ending.");
    add("Name servers: ", record.nameservers.join(QStringLiteral(", ")));
    if (lines.isEmpty())
        lines << QStringLiteral("Registered; the registry gives no details.");
    return lines.join(QLatin1Char('\n'));
}

} // namespace nomispot
