#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <deque>

namespace nomispot {

// Asks the nameserver again over TCP what came back truncated over UDP (RFC 7766: each message
// after its length in two bytes). One connection, reused for every question while it lasts;
// answers are handed on as they come. A connection that does not connect or answer within its
// time-out is given up, its questions left without answer (they are asked again in the next
// pass).
class TcpQuestions : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 5000;
    // The largest message read; a longer one ends the connection.
    static constexpr int kLargestMessage = 65535;

    explicit TcpQuestions(QObject* parent = nullptr);

    void setServer(const QHostAddress& address, quint16 port);
    void ask(const QByteArray& query);
    // Closes the connection and forgets every question.
    void stop();
    // Connections opened so far (tests, benchmarks).
    int connections() const { return m_connections; }

signals:
    void answered(const QByteArray& message);

private:
    void sendWaiting();
    void readAnswers();

    QTcpSocket m_socket;
    QTimer m_timeout;
    QHostAddress m_address;
    quint16 m_port = 53;
    std::deque<QByteArray> m_waiting; // until connected
    QByteArray m_received;
    int m_connections = 0;
};

} // namespace nomispot
