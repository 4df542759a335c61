#include "settings/dns_input.h"

#include "engine/network.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdint>
#include <limits>

namespace nomispot {

namespace {

// A whole number of a field's width, or nothing when the value does not fit.
template <typename Field> std::optional<Field> fitField(double rounded) {
    if (rounded < std::numeric_limits<Field>::min() || rounded > std::numeric_limits<Field>::max())
        return std::nullopt;
    return static_cast<Field>(rounded);
}

// The longest part of a typed nameserver a message repeats.
constexpr qsizetype kQuotedNameserverLength = 64;

// The rounded number for a box, when it fits the box.
std::optional<QString> boxText(std::optional<int> value, int maxLength) {
    if (!value)
        return std::nullopt;
    QString text = QString::number(*value);
    if (text.size() > maxLength)
        return std::nullopt;
    return text;
}

} // namespace

std::optional<double> numericValue(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double roundHalfEven(double value) {
    const double down = std::floor(value);
    const double rest = value - down;
    if (rest > 0.5)
        return down + 1;
    if (rest < 0.5)
        return down;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

DnsValidation ValidateDnsInput(const DnsInput& input) {
    const Failure retriesRange{QString::fromLatin1(kRetriesRangeMessage)};
    const Failure delayRange{QString::fromLatin1(kDelayRangeMessage)};
    const std::optional<double> retries = numericValue(input.retries);
    if (!retries)
        return {retriesRange, std::nullopt, std::nullopt};
    const std::optional<double> delay = numericValue(input.delay);
    if (!delay)
        return {delayRange, std::nullopt, std::nullopt};

    const std::optional<std::int16_t> delayMs = fitField<std::int16_t>(roundHalfEven(*delay));
    const std::optional<std::uint8_t> retryCount = fitField<std::uint8_t>(roundHalfEven(*retries));
    DnsValidation result{delayRange, boxText(delayMs, kDelayMaxLength),
                         boxText(retryCount, kRetriesMaxLength)};
    if (!delayMs || *delayMs < kMinDelayMs || *delayMs > kMaxDelayMs)
        return result;
    if (!retryCount || *retryCount < kMinRetries || *retryCount > kMaxRetries)
        result.settings = retriesRange;
    else
        result.settings = DnsSettings{input.nameserver, *delayMs, *retryCount};
    return result;
}

Status CheckNameserverInput(const QString& text) {
    const Result<NameserverAddress> parsed = parseNameserver(text);
    if (parsed)
        return Done{};
    const QString message = QString::fromLatin1(kNameserverMessage);
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return Failure{message};
    const QString quoted = typed.size() > kQuotedNameserverLength
                               ? typed.left(kQuotedNameserverLength - 1) + QChar(0x2026)
                               : typed;
    return Failure{QStringLiteral("%1\r\"%2\": %3.").arg(message, quoted, parsed.error().message)};
}

} // namespace nomispot
