#pragma once

#include <QString>

namespace nomispot {

inline constexpr auto kAppTitle = "Nomispot";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 17;

inline QString appTitle() { return QString::fromLatin1(kAppTitle); }

} // namespace nomispot
