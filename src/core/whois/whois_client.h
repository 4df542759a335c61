#pragma once

#include "registry/registry_transport.h"
#include "whois/whois_directory.h"

#include <chrono>

namespace nomispot {

// How politely WHOIS servers are asked.
struct WhoisPolicy {
    std::chrono::milliseconds interval{
        2000}; // from one answer's end to the next question, per host
    std::chrono::milliseconds timeout{10000}; // for one question: connecting and the whole answer
    std::chrono::milliseconds rest{60000};    // a host that refused for the rate rests this long
    int attempts = 2;                         // per domain, repeats after a refusal included
};

// The largest WHOIS answer read; a longer one is cut and gives no verdict.
inline constexpr qsizetype kLargestWhoisAnswer = 256 * 1024;

// Asks registries over WHOIS (RFC 3912, TCP) about domains: the question line, then the answer
// until the server closes. A host that refuses for the rate rests before it is asked again.
class WhoisClient : public RegistryTransport {
    Q_OBJECT
public:
    explicit WhoisClient(WhoisDirectory directory, WhoisPolicy policy = {},
                         QObject* parent = nullptr);

    bool hasServerFor(const QString& asciiDomain) const override {
        return whoisServerFor(m_directory, asciiDomain).has_value();
    }

private:
    std::variant<Question, RegistryOutcome> prepare(const QString& asciiDomain) const override;
    QIODevice* open(const Question& question) override;
    void begin(QIODevice& device, const Question& question) override;
    void conclude(Answer answer, QIODevice& device, const QString& failure) override;
    RegistryOutcome outcomeOf(const Answer& answer, const QString& failure,
                              bool& rateLimited) const;

    WhoisDirectory m_directory;
    WhoisPolicy m_policy;
};

} // namespace nomispot
