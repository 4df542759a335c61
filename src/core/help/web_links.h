#pragma once

namespace nomispot {

// Home pages opened from the Help menu, each the named organisation's site today.
// The maker's home page: Brixmoor's own site, where users look for the newest Nomispot.
inline constexpr auto kHomepageAddress = "https://www.brixmoor.com";
// The gTLD-MoU closed in 1999; its home page survives only as an archived copy.
inline constexpr auto kGtldMouAddress = "https://web.archive.org/web/1998/http://www.gtld-mou.org/";
inline constexpr auto kIsocAddress = "https://www.internetsociety.org";
inline constexpr auto kIetfAddress = "https://www.ietf.org";
inline constexpr auto kIanaAddress = "https://www.iana.org";

} // namespace nomispot
