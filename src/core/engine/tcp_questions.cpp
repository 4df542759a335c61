#include "engine/tcp_questions.h"

namespace nomispot {

TcpQuestions::TcpQuestions(QObject* parent) : QObject(parent), m_socket(this), m_timeout(this) {
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(kTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, &TcpQuestions::stop);
    connect(&m_socket, &QTcpSocket::connected, this, &TcpQuestions::sendWaiting);
    connect(&m_socket, &QTcpSocket::readyRead, this, &TcpQuestions::readAnswers);
    // Closed or failed: what was asked and not answered is asked again in the next pass.
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpQuestions::stop);
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this] { QMetaObject::invokeMethod(this, &TcpQuestions::stop, Qt::QueuedConnection); });
}

void TcpQuestions::setServer(const QHostAddress& address, quint16 port) {
    stop();
    m_address = address;
    m_port = port;
}

void TcpQuestions::ask(const QByteArray& query) {
    if (m_address.isNull() || query.size() > kLargestMessage)
        return;
    QByteArray framed;
    framed.append(static_cast<char>(query.size() >> 8));
    framed.append(static_cast<char>(query.size() & 0xFF));
    framed.append(query);
    m_waiting.push_back(std::move(framed));
    if (!m_timeout.isActive())
        m_timeout.start();
    if (m_socket.state() == QAbstractSocket::UnconnectedState) {
        ++m_connections;
        m_socket.connectToHost(m_address, m_port);
    } else if (m_socket.state() == QAbstractSocket::ConnectedState) {
        sendWaiting();
    }
}

void TcpQuestions::sendWaiting() {
    for (; !m_waiting.empty(); m_waiting.pop_front())
        m_socket.write(m_waiting.front());
}

void TcpQuestions::readAnswers() {
    m_received += m_socket.readAll();
    while (m_received.size() >= 2) {
        const int length = static_cast<std::uint8_t>(m_received[0]) << 8 |
                           static_cast<std::uint8_t>(m_received[1]);
        if (m_received.size() < 2 + length)
            return;
        const QByteArray message = m_received.mid(2, length);
        m_received.remove(0, 2 + length);
        m_timeout.start(); // the server is answering
        emit answered(message);
        if (m_socket.state() == QAbstractSocket::UnconnectedState)
            return; // stopped from a handler of the answer
    }
}

void TcpQuestions::stop() {
    m_timeout.stop();
    m_waiting.clear();
    m_received.clear();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
}

} // namespace nomispot
