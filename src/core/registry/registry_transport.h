#pragma once

#include "registry/registry_outcome.h"

#include <QByteArray>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <variant>

namespace nomispot {

// Whole seconds, at least 1, as a reason states a time-out.
QString wholeSeconds(std::chrono::milliseconds duration);
// Why an answer from host that did not arrive whole within timeout counts for nothing.
QString timedOutReason(const QString& host, bool gotSome, std::chrono::milliseconds timeout);

// Why a host is not asked yet: the interval after its last answer, the rest after it refused for
// the rate, or the wait it asked for.
enum class HostHold { Pacing, Rest, AskedToWait };

// A host that holds questions back, and for how much longer.
struct HostWait {
    QString host;
    std::chrono::milliseconds left{0};
    HostHold why = HostHold::Pacing;
};

// "whois.example: resting 48 s after its rate-limit notice".
QString hostWaitText(const HostWait& wait);

// What asking a registry service takes, whatever the protocol: a queue per host, one question at
// a time per host and none sooner than its pacing allows, hosts in parallel; every answer bounded
// in size and in time; questions identified by the caller's id, forgotten on request. A protocol
// supplies how a question is opened and how its answer is read.
class RegistryTransport : public QObject {
    Q_OBJECT
public:
    struct Limits {
        std::chrono::milliseconds interval; // from one answer's end to the next question, per host
        std::chrono::milliseconds timeout;  // for one question, its whole answer included
        qsizetype largest;                  // a longer answer is cut and gives no verdict
    };

    ~RegistryTransport() override;

    // Whether this service knows where to ask about asciiDomain.
    virtual bool hasServerFor(const QString& asciiDomain) const = 0;

    // Queues a question about asciiDomain; answered(id, ...) follows from the event loop.
    void lookUp(quint64 id, const QString& asciiDomain);
    // Forgets the questions which picks, waiting or under way: no answer follows for them. One
    // under way still counts for its host's pacing.
    void forget(const std::function<bool(quint64 id)>& which);
    void cancel() {
        forget([](quint64) { return true; });
    }
    int pending() const { return static_cast<int>(m_live.size()); }
    // The longest wait of a host that holds back questions which picks, none of them under way
    // there; nothing when none waits.
    std::optional<HostWait> longestWait(const std::function<bool(quint64 id)>& which) const;
    // Whether a question which picks is under way.
    bool asking(const std::function<bool(quint64 id)>& which) const;

signals:
    void answered(quint64 id, const nomispot::RegistryOutcome& outcome);
    void idle(); // the last pending question was answered

protected:
    using Clock = std::chrono::steady_clock;
    struct Question {
        quint64 id = 0;
        QString domain;   // lower case, no root dot
        QString host;     // the queue it waits in: one per server
        QUrl url;         // RDAP: what is fetched
        QString server;   // WHOIS: where to connect
        quint16 port = 0; // and its port
        QString line;     // WHOIS: what is sent, without its line end
        int attempt = 0;
        int redirects = 0;
    };
    // Why an answer was not read to its end.
    enum class Cut { None, TooLarge, TimedOut };
    struct Answer {
        Question question;
        QByteArray body;
        Cut cut = Cut::None;
    };

    RegistryTransport(Limits limits, QObject* parent);

    // A question for asciiDomain, or the outcome at once when none can be asked.
    virtual std::variant<Question, RegistryOutcome> prepare(const QString& asciiDomain) const = 0;
    // Opens the question: the device its answer is read from (a reply, a socket), parented to
    // this object. The protocol calls close() when the answer has ended.
    virtual QIODevice* open(const Question& question) = 0;
    // Starts what open() prepared, once the device is the host's current one.
    virtual void begin(QIODevice& device, const Question& question) {
        Q_UNUSED(device);
        Q_UNUSED(question);
    }
    // The answer is in, cut or whole (failure: the connection's error, empty when none). The
    // protocol delivers an outcome, asks again later, or follows a redirect.
    virtual void conclude(Answer answer, QIODevice& device, const QString& failure) = 0;

    // Ends the question under way on device: the rest of its answer read, its host paced, the
    // protocol's conclusion drawn.
    void close(QIODevice* device, const QString& failure = {});
    void enqueue(Question question);
    // The same question again, at the front of its host's queue, once wait has passed.
    void askAgain(Question question, std::chrono::milliseconds wait, HostHold why);
    // No question goes to host before wait has passed.
    void rest(const QString& host, std::chrono::milliseconds wait, HostHold why);
    void deliver(quint64 id, RegistryOutcome outcome);
    const Limits& limits() const { return m_limits; }

private:
    struct Host {
        std::deque<Question> waiting;
        Clock::time_point readyAt{};
        HostHold hold = HostHold::Pacing; // why readyAt is where it is
        QPointer<QIODevice> current;
        Answer answer; // of the current question, so far
    };

    static void holdUntil(Host& host, Clock::time_point until, HostHold why);
    void pump();
    void send(Host& host);
    void take(Host& host);
    Host* hostOf(const QIODevice* device);
    void deliverLater(quint64 id, RegistryOutcome outcome);
    void drop(QIODevice* device);

    Limits m_limits;
    QTimer m_wake;
    std::map<QString, Host> m_hosts;
    std::set<quint64> m_live; // questions asked and not yet answered nor forgotten
};

} // namespace nomispot
