#pragma once

#include "result.h"

#include <QString>

class QUdpSocket;

namespace nomispot {

inline constexpr quint16 kDnsPort = 53;

// Prepares socket for a run: closed if open, bound to a port the system picks, and connected to
// nameserver port 53 so that only that server's datagrams are read. Fails when the nameserver
// text names no address or the socket cannot be bound or connected.
Status InitNetwork(QUdpSocket& socket, const QString& nameserver);

QString networkFailureMessage();

} // namespace nomispot
