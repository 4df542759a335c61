#pragma once

#include "result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <map>
#include <optional>

namespace nomispot {

// Where each TLD's registry answers RDAP questions (an IANA dns.json file).
struct RdapBootstrap {
    QString publication;             // as the file gives it
    std::map<QString, QUrl> servers; // by lower-case suffix ("com", or several labels)
};

// Reads a bootstrap file. Plain http:// servers are taken only when allowHttp (a file the user
// named); otherwise a service without an https:// address is left out.
Result<RdapBootstrap> parseRdapBootstrap(const QByteArray& json, bool allowHttp);

// The server for asciiDomain: the entry of its longest suffix.
std::optional<QUrl> rdapServerFor(const RdapBootstrap& bootstrap, const QString& asciiDomain);

// What the look-up says for a name without a server: "No registry look-up known for .tld".
QString noRdapServerMessage(const QString& asciiDomain);

// The snapshot that ships next to the data file, and a newer copy the user saved.
QString shippedRdapBootstrapPath(const QString& dataDir);
QString userRdapBootstrapPath();

// The bootstrap to use: the file NOMISPOT_RDAP_BOOTSTRAP names, else the newer of the user's copy
// and the snapshot with built-in entries for TLDs it lacks.
Result<RdapBootstrap> loadRdapBootstrap(const QString& dataDir);

} // namespace nomispot
