#pragma once

#include "cli_options.h"
#include "settings/dns_settings.h"
#include "settings/settings_store.h"

#include <QString>

namespace nomispot::cli {

struct RunSettings {
    DnsSettings dns;
    QString message; // why the given values are refused; empty when they are accepted
};

// The nameserver, delay and retries of a run: the stored values (without a stored nameserver,
// the system's first one), replaced by those given on the command line, which are checked as the
// DNS dialog checks them.
RunSettings resolveRunSettings(const SettingsStore& store, const CliOptions& options);

} // namespace nomispot::cli
