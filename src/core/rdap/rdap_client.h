#pragma once

#include "rdap/rdap_bootstrap.h"
#include "registry/registry_transport.h"

#include <QByteArray>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <chrono>
#include <optional>

namespace nomispot {

// How politely registries are asked.
struct RdapPolicy {
    std::chrono::milliseconds interval{1000};     // from one answer to the next question, per host
    std::chrono::milliseconds timeout{10000};     // for one question, its whole answer included
    int attempts = 4;                             // per domain, repeats after HTTP 429 included
    std::chrono::milliseconds longestWait{60000}; // a longer Retry-After gives up
};

// How long an HTTP 429 answer asks to wait: Retry-After in seconds or as an HTTP date.
std::optional<std::chrono::milliseconds> retryAfterDelay(const QByteArray& header,
                                                         const QDateTime& now);

// Asks registries over RDAP about domains. Redirects are followed a few times, to https or within
// the same origin, each hop paced like a question to its host.
class RdapClient : public RegistryTransport {
    Q_OBJECT
public:
    explicit RdapClient(RdapBootstrap bootstrap, RdapPolicy policy = {}, QObject* parent = nullptr);

    bool hasServerFor(const QString& asciiDomain) const override {
        return rdapServerFor(m_bootstrap, asciiDomain).has_value();
    }
    // The registry list now in use (after a refresh); questions already queued keep their server.
    void setBootstrap(RdapBootstrap bootstrap) { m_bootstrap = std::move(bootstrap); }

private:
    std::variant<Question, RegistryOutcome> prepare(const QString& asciiDomain) const override;
    QIODevice* open(const Question& question) override;
    void conclude(Answer answer, QIODevice& device, const QString& failure) override;
    RegistryOutcome outcomeOf(const Answer& answer, const QNetworkReply& reply) const;

    RdapBootstrap m_bootstrap;
    RdapPolicy m_policy;
    QNetworkAccessManager m_network;
};

} // namespace nomispot
