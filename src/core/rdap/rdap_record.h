#pragma once

#include "registry/registration_record.h"
#include "result.h"

#include <QByteArray>

namespace nomispot {

// Reads an RDAP answer to a domain question; a failure when it is not a domain object.
Result<RegistrationRecord> parseRdapDomain(const QByteArray& json);

} // namespace nomispot
