#pragma once

#include "cli_options.h"
#include "result.h"
#include "settings/dns_settings.h"
#include "settings/settings_store.h"

#include <QString>

namespace nomispot::cli {

// The nameserver, delay and retries of a run: the stored values (without a stored nameserver,
// the system's first one), replaced by those given on the command line, which are checked as the
// DNS dialog checks them; fails with the dialog's message.
Result<DnsSettings> resolveRunSettings(const SettingsStore& store, const CliOptions& options);

} // namespace nomispot::cli
