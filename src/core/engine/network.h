#pragma once

#include <QString>

class QUdpSocket;

namespace nomispot {

inline constexpr quint16 kDnsPort = 53;

enum NetworkError : int {
    NetworkOk = 0,
    NetworkHostNotFound = 1, // the nameserver text names no address
    NetworkBindFailed = 2,   // no local port could be bound
    NetworkConnectFailed = 3 // the socket could not be tied to the nameserver
};

// Prepares socket for a run: closed if open, bound to a port the system picks, and connected to
// nameserver port 53 so that only that server's datagrams are read. Returns 0 or a NetworkError.
int InitNetwork(QUdpSocket& socket, const QString& nameserver);

} // namespace nomispot
