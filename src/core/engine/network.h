#pragma once

#include "result.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <optional>

class QHostInfo;
class QUdpSocket;

namespace nomispot {

inline constexpr quint16 kDnsPort = 53;

// Where the questions go, as the user wrote it.
struct NameserverAddress {
    QString host; // an IP address, or a host name still to look up
    quint16 port = kDnsPort;
    std::optional<QHostAddress> address; // set when host is an IP address
};

// Reads "192.0.2.1", "192.0.2.1:5353", "2001:db8::1", "[2001:db8::1]:53" or a host name with an
// optional port; fails with why for anything else (nothing, a list, a bad port).
Result<NameserverAddress> parseNameserver(const QString& text);

// The address to ask among those a host name has: IPv4 first, as a home network's resolver
// usually is.
std::optional<QHostAddress> preferredAddress(const QList<QHostAddress>& addresses);

// Why a lookup gave no address to use.
QString lookupFailure(const QHostInfo& info);

// Prepares socket for a run: closed if open, bound to a port the system picks, and connected to
// address and port so that only that server's datagrams are read. Failures name nameserver (the
// user's text) and the system's reason.
Status InitNetwork(QUdpSocket& socket, const QHostAddress& address, quint16 port,
                   const QString& nameserver);

// The same from the user's text; a host name is looked up, blocking the caller (windows look up
// without blocking: QueryRunner::prepareNetwork).
Status InitNetwork(QUdpSocket& socket, const QString& nameserver);

QString networkFailureMessage(const QString& nameserver, const QString& reason);

} // namespace nomispot
