#include "engine/network.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>

namespace nomispot {

namespace {

QHostAddress resolve(const QString& nameserver) {
    const QString host = nameserver.trimmed();
    if (host.isEmpty())
        return {};
    if (QHostAddress literal; literal.setAddress(host))
        return literal;
    const QHostInfo info = QHostInfo::fromName(host);
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty())
        return {};
    // Prefer IPv4: it is what a resolver address in a home network usually is.
    for (const QHostAddress& a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    return info.addresses().constFirst();
}

} // namespace

QString networkFailureMessage() {
    return QStringLiteral("Cannot initialize the network - \rPlease check that you are online.");
}

Status InitNetwork(QUdpSocket& socket, const QString& nameserver) {
    const Failure failure{networkFailureMessage()};
    const QHostAddress server = resolve(nameserver);
    if (server.isNull())
        return failure;

    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.close();

    const QHostAddress local = server.protocol() == QAbstractSocket::IPv6Protocol
                                   ? QHostAddress(QHostAddress::AnyIPv6)
                                   : QHostAddress(QHostAddress::AnyIPv4);
    if (!socket.bind(local, 0))
        return failure;

    socket.connectToHost(server, kDnsPort);
    if (socket.state() != QAbstractSocket::ConnectedState && !socket.waitForConnected(1000)) {
        socket.close();
        return failure;
    }
    return Done{};
}

} // namespace nomispot
