#pragma once

#include "result.h"
#include "settings/dns_settings.h"

#include <QString>
#include <optional>

namespace nomispot {

inline constexpr auto kRetriesRangeMessage = "Please select from 1 to 10 retries.";
inline constexpr auto kDelayRangeMessage = "Please select a number from 5 to 1000 ms.";
inline constexpr auto kNameserverMessage =
    "Please enter one nameserver: an IP address or a host name, with an optional port.";

inline constexpr int kMinDelayMs = 5;
inline constexpr int kMaxDelayMs = 1000;
inline constexpr int kMinRetries = 1;
inline constexpr int kMaxRetries = 10;

// The longest texts the delay and retries boxes take.
inline constexpr int kDelayMaxLength = 4;
inline constexpr int kRetriesMaxLength = 2;

// The texts of the three boxes of a DNS dialog.
struct DnsInput {
    QString nameserver;
    QString delay;
    QString retries;
};

// What pressing the accepting button makes of the boxes.
struct DnsValidation {
    Result<DnsSettings> settings;       // the accepted values, or the message that refuses them
    std::optional<QString> delayText;   // the box's new text, when it is rewritten
    std::optional<QString> retriesText; // the box's new text, when it is rewritten
};

// The value of a text that reads as a number to a user: blanks around, a sign, decimals and an
// exponent are allowed; empty, blank and non-finite texts are not numbers.
std::optional<double> numericValue(const QString& text);

// Rounds to the nearest whole number, a half to the even neighbour.
double roundHalfEven(double value);

// The checks of the DNS dialogs, in their order, with their messages. Once both boxes are numeric,
// each is rewritten with its rounded number, unless that number is too long for the box, which
// then keeps the typed text. A number too large for its field counts as out of range.
DnsValidation ValidateDnsInput(const DnsInput& input);

// The nameserver box's text, read as a run reads it (parseNameserver), and refused too when it
// is a web address, a number alone, or a name under .example or .invalid. Empty is taken: the
// system's resolver. A refusal says what the box takes, then the text (shortened when long) and
// why it cannot be used.
Status CheckNameserverInput(const QString& text);

} // namespace nomispot
