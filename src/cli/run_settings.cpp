#include "run_settings.h"

#include "settings/dns_input.h"
#include "settings/settings_ops.h"

#include <cmath>

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
    // The terminal goes down to 1 ms, below the dialog's 5: it is checked here, and the dialog's
    // check gets a value it accepts in its place.
    if (options.delay) {
        bool isNumber = false;
        // As the dialog reads it: a number, rounded half to even.
        const double typed = options.delay->trimmed().toDouble(&isNumber);
        const double delayMs = isNumber && std::isfinite(typed) ? std::nearbyint(typed) : -1;
        if (delayMs < kCliMinDelayMs || delayMs > kMaxDelayMs)
            return Failure{QStringLiteral("Please select a number from %1 to %2 ms.")
                               .arg(kCliMinDelayMs)
                               .arg(kMaxDelayMs)};
        dns.delayMs = static_cast<int>(delayMs);
    }
    const DnsValidation checked =
        ValidateDnsInput({dns.nameserver, QString::number(kMinDelayMs),
                          options.retries.value_or(QString::number(kMinRetries))});
    if (!checked.settings)
        return checked.settings.error();
    if (options.retries)
        dns.retries = checked.settings->retries;
    return dns;
}

} // namespace nomispot::cli
