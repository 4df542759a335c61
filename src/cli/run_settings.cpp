#include "run_settings.h"

#include "resolver_config.h"
#include "settings/dns_input.h"
#include "settings/settings_ops.h"

namespace nomispot::cli {

RunSettings resolveRunSettings(const SettingsStore& store, const CliOptions& options) {
    RunSettings result;
    LoadDnsSettings(store, result.dns);
    if (!store.contains(QString::fromLatin1(kSectionMain), QStringLiteral("dns"))) {
        const QString system = systemNameserver();
        if (!system.isEmpty())
            result.dns.nameserver = system;
    }
    if (options.nameserver)
        result.dns.nameserver = *options.nameserver;
    if (!options.delay && !options.retries)
        return result;

    // The dialog checks both boxes; a value not given stands in with one the dialog accepts, so
    // a stored value outside the dialog's range is still used as the program uses it.
    const DnsValidation checked = ValidateDnsInput(
        {result.dns.nameserver, options.delay.value_or(QString::number(kMinDelayMs)),
         options.retries.value_or(QString::number(kMinRetries))});
    if (!checked.accepted()) {
        result.message = checked.message;
        return result;
    }
    if (options.delay)
        result.dns.delayMs = checked.settings.delayMs;
    if (options.retries)
        result.dns.retries = checked.settings.retries;
    return result;
}

} // namespace nomispot::cli
