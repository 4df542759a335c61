#pragma once

#include <QString>
#include <cstdint>

namespace nomispot {

// The example of the first-run wizard; under the reserved "example" domain, so it never exists.
inline constexpr auto kPlaceholderNameserver = "ns1.yourprovider.example";

inline constexpr std::int16_t kDefaultDelayMs = 50;
inline constexpr std::uint8_t kDefaultRetries = 3;

struct DnsSettings {
    QString nameserver;
    std::int16_t delayMs = kDefaultDelayMs;
    std::uint8_t retries = kDefaultRetries;

    bool operator==(const DnsSettings&) const = default;
};

} // namespace nomispot
