#include "engine/network.h"

#include "engine/dns_message.h"

#include <QHostInfo>
#include <QUdpSocket>
#include <QVariant>

namespace nomispot {

namespace {

// The receive buffer asked for: about a thousand short datagrams.
constexpr int kReceiveBufferBytes = 1 << 20;

// An address as written; a v4-mapped IPv6 address is the IPv4 one.
std::optional<QHostAddress> literalAddress(const QString& text) {
    QHostAddress address;
    if (!address.setAddress(text))
        return std::nullopt;
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped && address.protocol() == QAbstractSocket::IPv6Protocol)
        return QHostAddress(v4);
    return address;
}

bool isHostName(const QString& text) {
    for (const QChar c : text)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'-' && c != u'.')
            return false;
    return isValidDomainName(text);
}

std::optional<quint16> portNumber(const QString& text) {
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port < 1 || port > 65535 || !text.front().isDigit())
        return std::nullopt;
    return static_cast<quint16>(port);
}

} // namespace

QString networkFailureMessage(const QString& nameserver, const QString& reason) {
    return QStringLiteral("Cannot initialize the network - \rPlease check that you are online.\r"
                          "%1: %2")
        .arg(nameserver, reason);
}

Result<NameserverAddress> parseNameserver(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return Failure{QStringLiteral("no nameserver is set")};
    for (const QChar c : t)
        if (c.isSpace() || c == u',' || c == u';')
            return Failure{QStringLiteral("give one nameserver: an address or a host name")};
    const Failure badPort{QStringLiteral("the port must be a number from 1 to 65535")};
    const Failure unusable{QStringLiteral("not an address or a host name")};

    NameserverAddress result;
    QString host = t;
    if (t.startsWith(u'[')) {
        // [IPv6] or [IPv6]:port
        const qsizetype close = t.indexOf(u']');
        if (close < 0)
            return unusable;
        host = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty()) {
            const auto port = rest.startsWith(u':') ? portNumber(rest.mid(1)) : std::nullopt;
            if (!port)
                return badPort;
            result.port = *port;
        }
        result.address = literalAddress(host);
        if (!result.address || result.address->protocol() != QAbstractSocket::IPv6Protocol)
            return unusable;
    } else if (const auto address = literalAddress(t)) {
        result.address = address; // IPv4, or IPv6 without a port
    } else {
        // host:port, with an IPv4 address or a host name
        const qsizetype colon = t.lastIndexOf(u':');
        if (colon >= 0) {
            const auto port = portNumber(t.mid(colon + 1));
            if (!port)
                return badPort;
            result.port = *port;
            host = t.left(colon);
        }
        result.address = literalAddress(host);
        if (result.address && result.address->protocol() != QAbstractSocket::IPv4Protocol)
            return unusable;
        if (!result.address && !isHostName(host))
            return unusable;
    }
    result.host = host;
    return result;
}

QString lookupFailure(const QHostInfo& info) {
    return info.error() == QHostInfo::NoError ? QStringLiteral("the name has no address")
                                              : info.errorString();
}

std::optional<QHostAddress> preferredAddress(const QList<QHostAddress>& addresses) {
    for (const QHostAddress& a : addresses)
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    if (addresses.isEmpty())
        return std::nullopt;
    return addresses.constFirst();
}

Status InitNetwork(QUdpSocket& socket, const QHostAddress& address, quint16 port,
                   const QString& nameserver) {
    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.close();
    const QHostAddress local = address.protocol() == QAbstractSocket::IPv6Protocol
                                   ? QHostAddress(QHostAddress::AnyIPv6)
                                   : QHostAddress(QHostAddress::AnyIPv4);
    if (!socket.bind(local, 0))
        return Failure{networkFailureMessage(nameserver, socket.errorString())};
    // Room for the answers while a flood of other datagrams arrives between two reads; the system
    // may grant less, which still works.
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                           QVariant(kReceiveBufferBytes));
    socket.connectToHost(address, port);
    if (socket.state() != QAbstractSocket::ConnectedState && !socket.waitForConnected(1000)) {
        const QString reason = socket.errorString();
        socket.close();
        return Failure{networkFailureMessage(nameserver, reason)};
    }
    return Done{};
}

Status InitNetwork(QUdpSocket& socket, const QString& nameserver) {
    const Result<NameserverAddress> parsed = parseNameserver(nameserver);
    if (!parsed)
        return Failure{networkFailureMessage(nameserver, parsed.error().message)};
    std::optional<QHostAddress> address = parsed->address;
    if (!address) {
        const QHostInfo info = QHostInfo::fromName(parsed->host);
        address = preferredAddress(info.addresses());
        if (info.error() != QHostInfo::NoError || !address)
            return Failure{networkFailureMessage(nameserver, lookupFailure(info))};
    }
    return InitNetwork(socket, *address, parsed->port, nameserver);
}

} // namespace nomispot
