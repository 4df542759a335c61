#pragma once

#include "engine/check_table.h"
#include "rdap/rdap_bootstrap.h"
#include "rdap/registry_outcome.h"

#include <QByteArray>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <map>
#include <optional>

class QNetworkReply;

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

// Asks registries over RDAP about domains: one question at a time per host, at most one per
// interval, hosts in parallel. Every answer is bounded in size and in time, body included;
// redirects are followed a few times, to https or within the same origin, each hop paced like a
// question to its host.
class RdapClient : public QObject {
    Q_OBJECT
public:
    explicit RdapClient(RdapBootstrap bootstrap, RdapPolicy policy = {}, QObject* parent = nullptr);
    ~RdapClient() override;

    // Queues a question about asciiDomain; answered(tag, ...) follows from the event loop.
    void lookUp(int tag, const QString& asciiDomain);
    // Forgets every question waiting or under way; no answer follows for them.
    void cancel();
    int pending() const { return m_pending; }
    // Whether the registry list names a server for asciiDomain.
    bool hasServerFor(const QString& asciiDomain) const {
        return rdapServerFor(m_bootstrap, asciiDomain).has_value();
    }

signals:
    void answered(int tag, const nomispot::RegistryOutcome& outcome);
    void idle(); // the last pending question was answered

private:
    using Clock = std::chrono::steady_clock;
    struct Question {
        int tag = 0;
        QString domain; // lower case, no root dot
        QUrl url;
        int attempt = 0;
        int redirects = 0;
    };
    // Why an answer was not read to its end.
    enum class Cut { None, TooLarge, TimedOut };
    struct Host {
        std::deque<Question> waiting;
        Clock::time_point readyAt{};
        QNetworkReply* current = nullptr;
        QByteArray body; // of the current answer, so far
        Cut cut = Cut::None;
    };

    void enqueue(Question question);
    void pump();
    void send(const QString& hostKey, Host& host);
    void take(Host& host, QNetworkReply* reply);
    void received(const QString& hostKey, Question question, QNetworkReply* reply,
                  const QByteArray& body, Cut cut);
    void deliver(int tag, RegistryOutcome outcome);
    RegistryOutcome outcomeOf(const Question& question, QNetworkReply* reply, QByteArray body,
                              Cut cut) const;

    RdapBootstrap m_bootstrap;
    RdapPolicy m_policy;
    QNetworkAccessManager m_network;
    QTimer m_wake;
    std::map<QString, Host> m_hosts;
    int m_pending = 0;
    unsigned m_generation = 0; // answers queued before a cancel carry an older one
};

} // namespace nomispot
