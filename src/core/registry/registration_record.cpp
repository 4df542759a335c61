#include "registry/registration_record.h"

#include "engine/dns_message.h"
#include "names/idna.h"
#include "registry/network_text.h"

#include <algorithm>

namespace nomispot {

namespace {

QString withoutRootDot(const QString& name) {
    return withoutRoot(name).toString();
}

QString dateText(const QDateTime& date) {
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

bool isRecordOf(const RegistrationRecord& record, const QString& asciiDomain) {
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

QString describeRegistration(const RegistrationRecord& record) {
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
