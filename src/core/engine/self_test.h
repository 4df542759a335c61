#pragma once

#include "engine/check_table.h"

#include <QString>
#include <cstdint>

namespace nomispot {

inline constexpr int kMadeUpLabelLength = 16;

// Everything after a name's first label: the suffix its self-test asks about; empty for a name
// of one label.
QString suffixOf(const QString& domain);

// Adds one probe per distinct suffix (ASCII case ignored) of the table's valid candidates and ties
// each candidate to its suffix's probe. The made-up name is random letters under the suffix.
void addSelfTest(CheckTable& table);

// What a probe's code says of its suffix: the suffix itself must exist (NXDOMAIN: the nameserver
// does not know it), a made-up name under it must not (NOERROR: made-up names exist). Other codes
// say nothing.
SuffixProbe::Trust probeVerdict(bool madeUp, std::uint8_t rcode);

} // namespace nomispot
