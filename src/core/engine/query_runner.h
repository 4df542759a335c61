#pragma once

#include "engine/check_table.h"
#include "engine/query_phase.h"
#include "result.h"

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

    // Prepares the socket for a run against nameserver.
    Status initNetwork(const QString& nameserver);
    // Starts the phase on table; a delay below 1 ms counts as 1 so the run always ends.
    void start(CheckTable& table, int delayMs, int retries, int progressMax);
    // Cancel: closes the socket, stops the timer; no further query is sent.
    void stop();

    bool isRunning() const;
    int answered() const;
    const QueryPhase* phase() const { return m_phase ? &*m_phase : nullptr; }
    QUdpSocket& socket() { return m_socket; }
    QTimer& timer() { return m_timer; }

signals:
    void cellChanged(int c, int r);
    void progressChanged(int answered);
    void querySent();
    void finished();    // ended normally; the socket is closed and the timer stopped
    void sendFailed();  // a send failed; the run is already stopped
    void socketError(); // the socket reported an error; at most once a run

private:
    QueryPhase::SendResult send(const QByteArray& datagram);
    void readReplies();
    void reportSocketError();

    QUdpSocket m_socket;
    QTimer m_timer;
    std::optional<QueryPhase> m_phase;
};

QString sendFailureMessage();
QString socketErrorMessage();

} // namespace nomispot
