#include "wire_log.h"

#include <QNetworkDatagram>
#include <QVariant>

namespace nomispot::test {

QString questionName(const QByteArray& message) {
    QStringList labels;
    for (qsizetype at = 12; at < message.size();) {
        const int length = static_cast<unsigned char>(message[at]);
        if (length == 0)
            return labels.join(u'.');
        if (length > 63 || at + 1 + length > message.size())
            return {};
        labels << QString::fromLatin1(message.mid(at + 1, length));
        at += 1 + length;
    }
    return {};
}

bool WireLog::start(const QString& address, const QString& upstream) {
    if (!m_socket.bind(QHostAddress(address), 53))
        return false;
    m_upstream.connectToHost(QHostAddress(upstream), 53);
    // A query a millisecond: room for the bursts while the test's process is busy.
    for (QUdpSocket* socket : {&m_socket, &m_upstream})
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(1 << 20));
    QObject::connect(&m_socket, &QUdpSocket::readyRead, &m_socket, [this] {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram query = m_socket.receiveDatagram();
            m_client = query.senderAddress();
            m_clientPort = query.senderPort();
            m_asked << questionName(query.data()).toLower();
            m_upstream.write(query.data());
        }
    });
    QObject::connect(&m_upstream, &QUdpSocket::readyRead, &m_upstream, [this] {
        while (m_upstream.hasPendingDatagrams())
            m_socket.writeDatagram(m_upstream.receiveDatagram().data(), m_client, m_clientPort);
    });
    return true;
}

} // namespace nomispot::test
