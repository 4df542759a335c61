#pragma once

#include "result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace nomispot {

// What a registry's RDAP answer says about a registered domain, its texts cleaned of anything a
// terminal or a spreadsheet would act on.
struct RdapRecord {
    QString ldhName;     // as the registry wrote it ("EXAMPLE.COM")
    QString unicodeName; // the same in its own script, when the registry gives it
    QStringList status;  // e.g. "active", "client hold"
    QString registrar;
    QDateTime registered;
    QDateTime expires;
    QDateTime lastChanged;
    QStringList nameservers;
};

// Reads the answer to a domain question; a failure when it is not a domain object.
Result<RdapRecord> parseRdapDomain(const QByteArray& json);

// Whether the record is about asciiDomain: its LDH or Unicode name is that name, case ignored.
bool isRecordOf(const RdapRecord& record, const QString& asciiDomain);

// Whether the statuses say the registration is ending: in its redemption period or pending
// delete (RDAP's words, or EPP's "redemptionPeriod" and "pendingDelete" as WHOIS writes them).
bool mayBecomeFreeSoon(const QStringList& status);

// The record in words, one fact per line ("Registrar: ...").
QString describeRdapRecord(const RdapRecord& record);

} // namespace nomispot
