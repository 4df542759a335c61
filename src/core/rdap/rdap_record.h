#pragma once

#include "result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace nomispot {

// What a registry's RDAP answer says about a registered domain.
struct RdapRecord {
    QString name;
    QStringList status; // e.g. "active", "client hold"
    QString registrar;
    QDateTime registered;
    QDateTime expires;
    QDateTime lastChanged;
    QStringList nameservers;
};

// Reads the answer to a domain question; a failure when it is not a domain object.
Result<RdapRecord> parseRdapDomain(const QByteArray& json);

// The record in words, one fact per line ("Registrar: ...").
QString describeRdapRecord(const RdapRecord& record);

} // namespace nomispot
