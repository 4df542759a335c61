#include "settings/dns_input.h"

#include "engine/network.h"

#include <QRegularExpression>
#include <algorithm>
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

namespace {

// Why a text a run could parse still cannot be a nameserver; nothing when it can.
std::optional<QString> unusableNameserver(const NameserverAddress& parsed) {
    // An IPv4 address is four numbers with full stops between them: "200" or "10.1" read as one
    // by the system's old rules are no addresses anyone types on purpose.
    if (parsed.address && parsed.address->protocol() == QAbstractSocket::IPv4Protocol &&
        parsed.host.count(u'.') != 3)
        return QStringLiteral("not an address or a host name");
    if (parsed.address)
        return std::nullopt;
    // A top-level domain is never a number: "1.2.3.4.5" is no host name.
    const QString tld = parsed.host.section(u'.', -1, -1, QString::SectionSkipEmpty);
    if (std::all_of(tld.begin(), tld.end(), [](QChar c) { return c.isDigit(); }))
        return QStringLiteral("not an address or a host name");
    // Names under these never exist (RFC 2606, RFC 6761): the wizard's own example among them.
    if (tld.compare(QLatin1String("example"), Qt::CaseInsensitive) == 0 ||
        tld.compare(QLatin1String("invalid"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("a name under .%1 never exists; type your provider's nameserver")
            .arg(tld.toLower());
    return std::nullopt;
}

} // namespace

Status CheckNameserverInput(const QString& text) {
    const QString typed = text.trimmed();
    // Empty: the system's resolver, whichever it is at the time of a check.
    if (typed.isEmpty())
        return Done{};
    const QString message = QString::fromLatin1(kNameserverMessage);
    const QString quoted = typed.size() > kQuotedNameserverLength
                               ? typed.left(kQuotedNameserverLength - 1) + QChar(0x2026)
                               : typed;
    const auto refused = [&](const QString& why) {
        return Failure{QStringLiteral("%1\r\"%2\": %3.").arg(message, quoted, why)};
    };
    if (typed.contains(QLatin1String("://")) || typed.contains(u'/'))
        return refused(QStringLiteral("a nameserver is an address or a host name, not a web "
                                      "address"));
    const Result<NameserverAddress> parsed = parseNameserver(text);
    if (!parsed)
        return refused(parsed.error().message);
    if (const std::optional<QString> why = unusableNameserver(*parsed))
        return refused(*why);
    return Done{};
}

} // namespace nomispot
