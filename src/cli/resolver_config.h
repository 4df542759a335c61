#pragma once

#include <QString>

namespace nomispot::cli {

// Names the resolver configuration file to read instead of /etc/resolv.conf (for tests).
inline constexpr auto kResolvConfEnv = "NOMISPOT_RESOLV_CONF";

// The first "nameserver" of the system's resolver configuration; empty when there is none.
QString systemNameserver();

// The first "nameserver" in the text of a resolv.conf file; empty when there is none.
QString firstNameserver(const QString& resolvConf);

} // namespace nomispot::cli
