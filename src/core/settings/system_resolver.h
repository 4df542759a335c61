#pragma once

#include <QString>

namespace nomispot {

// Names the resolver configuration file to read instead of /etc/resolv.conf (for tests).
inline constexpr auto kResolvConfEnv = "NOMISPOT_RESOLV_CONF";

// The first "nameserver" of the system's resolver configuration; empty when there is none.
QString systemNameserver();

// The nameserver to use when none is stored: the system's, else the placeholder, which never
// answers. Never a root server: it answers referrals, which read as taken for every name.
QString defaultNameserver();

// The nameserver a check asks: the one set, or when none is (an empty text) the default.
QString nameserverInUse(const QString& setting);

// The first "nameserver" in the text of a resolv.conf file; empty when there is none.
QString firstNameserver(const QString& resolvConf);

} // namespace nomispot
