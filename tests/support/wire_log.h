#pragma once

#include <QHostAddress>
#include <QStringList>
#include <QUdpSocket>

namespace nomispot::test {

// The question name of a DNS message, or empty.
QString questionName(const QByteArray& message);

// Passes queries on to a nameserver and its answers back, noting every name asked: what went
// over the wire. Runs on the test's own event loop.
class WireLog {
public:
    // Listens on address, port 53, and passes on to upstream, port 53.
    bool start(const QString& address, const QString& upstream);
    const QStringList& asked() const { return m_asked; }
    QStringList takeAsked() { return std::exchange(m_asked, {}); }

private:
    QUdpSocket m_socket;
    QUdpSocket m_upstream;
    QHostAddress m_client;
    quint16 m_clientPort = 0;
    QStringList m_asked;
};

} // namespace nomispot::test
