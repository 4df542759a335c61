#pragma once

#include "engine/check_table.h"
#include "registry/registration_record.h"

#include <QByteArray>
#include <QString>

namespace nomispot {

// A registry's answer about one domain, over RDAP or WHOIS.
struct RegistryOutcome {
    RegistryAnswer answer = RegistryAnswer::Unknown;
    RegistrationRecord record; // Found: what the answer says of the registration
    QString reason;            // Unknown: why, in words
    QByteArray raw;            // the answer as received (JSON or WHOIS text)
    bool plainHttp = false;    // came unencrypted (a registry that offers nothing else)
    RegistrySource source = RegistrySource::None; // who answered; None: nobody could be asked
    bool reserved = false; // Found: held back by the registry, not open to registration
};

} // namespace nomispot
