#include "run_settings.h"

#include "settings/dns_input.h"
#include "settings/settings_ops.h"

namespace nomispot::cli {

Result<DnsSettings> resolveRunSettings(const SettingsStore& store, const CliOptions& options) {
    DnsSettings dns;
    LoadDnsSettings(store, dns);
    if (options.nameserver)
        dns.nameserver = *options.nameserver;
    if (!options.delay && !options.retries)
        return dns;

    // The dialog checks both boxes; a value not given stands in with one the dialog accepts, so
    // a stored value outside the dialog's range is still used as the program uses it.
    const DnsValidation checked =
        ValidateDnsInput({dns.nameserver, options.delay.value_or(QString::number(kMinDelayMs)),
                          options.retries.value_or(QString::number(kMinRetries))});
    if (!checked.settings)
        return checked.settings.error();
    if (options.delay)
        dns.delayMs = checked.settings->delayMs;
    if (options.retries)
        dns.retries = checked.settings->retries;
    return dns;
}

} // namespace nomispot::cli
