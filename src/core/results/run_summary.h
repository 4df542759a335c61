#pragma once

#include "engine/check_table.h"

#include <QString>

namespace nomispot {

// Why a candidate was not checked, in a few words ("no answer", "refused", ...); empty for one
// that was.
QString reasonText(const CheckItem& item);

// One line on what a finished run could not check and which suffixes it could not trust, e.g.
// "14 not checked: 12 refused by 192.0.2.53, 2 without answer. .ws untrusted: made-up names
// exist."; empty when everything was checked. When no suffix could be trusted it ends by telling
// to choose another nameserver, where changeNameserver says how.
QString runSummary(const CheckTable& table, const QString& nameserver,
                   const QString& changeNameserver);

} // namespace nomispot
