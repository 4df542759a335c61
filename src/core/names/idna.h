#pragma once

#include "result.h"

#include <QString>

namespace nomispot {

// The DNS form of a name typed in any script: each label with letters outside ASCII becomes its
// "xn--" form by UTS #46 (non-transitional, with the bidi, joiner, context and STD3 checks);
// ASCII labels stay exactly as typed. Fails naming the first label that cannot be a domain label.
Result<QString> toAsciiName(const QString& name);

} // namespace nomispot
