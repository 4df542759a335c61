#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace nomispot {

// What a registry says about a registered domain (over RDAP or WHOIS), its texts cleaned of
// anything a terminal or a spreadsheet would act on.
struct RegistrationRecord {
    QString ldhName;     // as the registry wrote it ("EXAMPLE.COM")
    QString unicodeName; // the same in its own script, when the registry gives it
    QStringList status;  // e.g. "active", "client hold"
    QString registrar;
    QDateTime registered;
    QDateTime expires;
    QDateTime lastChanged;
    QStringList nameservers;
};

// Whether the record is about asciiDomain: its LDH or Unicode name is that name, case ignored.
bool isRecordOf(const RegistrationRecord& record, const QString& asciiDomain);

// Whether the statuses say the registration is ending: in its redemption period or pending
// delete (RDAP's words, or EPP's "redemptionPeriod" and "pendingDelete" as WHOIS writes them).
bool mayBecomeFreeSoon(const QStringList& status);

// The record in words, one fact per line ("Registrar: ...").
QString describeRegistration(const RegistrationRecord& record);

} // namespace nomispot
