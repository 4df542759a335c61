#pragma once

#include "rdap/registry_outcome.h"
#include "whois/whois_directory.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <map>

class QTcpSocket;

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
// until the server closes. One connection at a time per host, at most one question per interval
// after the last answer, hosts in parallel; every answer bounded in size and time.
class WhoisClient : public QObject {
    Q_OBJECT
public:
    explicit WhoisClient(WhoisDirectory directory, WhoisPolicy policy = {},
                         QObject* parent = nullptr);
    ~WhoisClient() override;

    // Queues a question about asciiDomain; answered(tag, ...) follows from the event loop.
    void lookUp(int tag, const QString& asciiDomain);
    // Forgets every question waiting or under way; no answer follows for them.
    void cancel();
    int pending() const { return m_pending; }
    // Whether the table names a WHOIS server for asciiDomain.
    bool hasServerFor(const QString& asciiDomain) const {
        return whoisServerFor(m_directory, asciiDomain).has_value();
    }

signals:
    void answered(int tag, const nomispot::RegistryOutcome& outcome);
    void idle(); // the last pending question was answered

private:
    using Clock = std::chrono::steady_clock;
    struct Question {
        int tag = 0;
        QString domain; // lower case, no root dot
        QString line;   // as sent, without CRLF
        int attempt = 0;
    };
    enum class Cut { None, TooLarge, TimedOut };
    struct Host {
        QString name;
        quint16 port = 43;
        std::deque<Question> waiting;
        Clock::time_point readyAt{};
        QTcpSocket* current = nullptr; // owned by the client (Qt parent)
        QByteArray body;
        Cut cut = Cut::None;
        bool connected = false;
    };

    void pump();
    void send(const QString& hostKey, Host& host);
    void take(Host& host, QTcpSocket* socket);
    void finish(const QString& hostKey, QTcpSocket* socket, const QString& failure);
    void deliverLater(int tag, RegistryOutcome outcome);
    void deliver(int tag, RegistryOutcome outcome);
    RegistryOutcome outcomeOf(const Host& host, const Question& question, const QString& failure,
                              bool& rateLimited) const;

    WhoisDirectory m_directory;
    WhoisPolicy m_policy;
    QTimer m_wake;
    std::map<QString, Host> m_hosts;
    std::map<QTcpSocket*, Question> m_asked; // the question each open connection carries
    int m_pending = 0;
    unsigned m_generation = 0; // answers queued before a cancel carry an older one
};

} // namespace nomispot
