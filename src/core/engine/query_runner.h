#pragma once

#include "engine/check_table.h"
#include "engine/query_phase.h"
#include "engine/tcp_questions.h"
#include "result.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <optional>

namespace nomispot {

// Feeds the query phase from the pacing timer and the nameserver socket.
class QueryRunner : public QObject {
    Q_OBJECT
public:
    explicit QueryRunner(QObject* parent = nullptr);
    ~QueryRunner() override;

    // Prepares the socket for a run against nameserver: at once for an address, after a lookup
    // that does not block for a host name. networkReady or networkFailed follows, always from the
    // event loop.
    void prepareNetwork(const QString& nameserver);
    // The same, returning when the socket is ready; a host name lookup blocks (tools and tests).
    Status initNetwork(const QString& nameserver);
    // Starts the phase on table; a delay below 1 ms counts as 1 so the run always ends.
    void start(CheckTable& table, int delayMs, int retries, int progressMax);
    // Cancel: ends a lookup, closes the socket, stops the timer; no further query is sent.
    void stop();

    bool isRunning() const;
    int answered() const;
    const QueryPhase* phase() const { return m_phase ? &*m_phase : nullptr; }
    QUdpSocket& socket() { return m_socket; }
    const TcpQuestions& tcp() const { return m_tcp; }
    QTimer& timer() { return m_timer; }

signals:
    void networkReady();
    // The network cannot be used: before a run, or during one when nothing listens at the
    // nameserver's address (the run is stopped).
    void networkFailed(const QString& message);
    void cellChanged(int c, int r);
    void progressChanged(int answered);
    void querySent();
    // The run is over: every candidate has its final state; the socket is closed and the timer
    // stopped. Also after a send error, which comes first.
    void finished();
    void sendFailed(const QString& reason);
    // The socket reported an error (the system's reason); at most once a run, and always from
    // the event loop, never from inside the socket's own handlers.
    void socketError(const QString& reason);

private:
    QueryPhase::SendResult send(const QByteArray& datagram);
    void readReplies();
    void tickOnSchedule();
    void reportSocketError(const QString& reason);
    void noteRefusal();
    // Enough refusals and nothing received since the run began.
    bool onlyRefused() const;
    // Only refusals, and for long enough: nothing listens at the nameserver's address.
    bool nothingListens() const;
    QString deadServerMessage() const;

    QUdpSocket m_socket;
    TcpQuestions m_tcp; // what came back truncated, asked again
    QTimer m_timer;
    std::optional<QueryPhase> m_phase;
    QElapsedTimer m_clock; // since the run's start
    qint64 m_tickNs = 1'000'000;
    qint64 m_ticksDone = 0;
    unsigned m_runs = 0; // runs started, so that a tick loop notices a new one
    int m_lookupId = -1; // a host name lookup under way
    bool m_preparing = false;
    int m_refusals = 0;   // this run's sends the system reported refused (port unreachable)
    bool m_heard = false; // this run received a datagram
};

// What the user is told, naming the nameserver and the system's reason.
QString nothingAnswersMessage(const QHostAddress& address, quint16 port);
QString sendFailureMessage(const QString& nameserver, const QString& reason);
QString socketErrorMessage(const QString& nameserver, const QString& reason);

} // namespace nomispot
