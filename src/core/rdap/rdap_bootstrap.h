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
    // Suffixes left without a server because their only address was plain http, with it.
    std::map<QString, QUrl> refused;
};

// Reads a bootstrap file. Plain http:// servers are taken only when allowHttp (a file the user
// named); otherwise a service without an https:// address is left out, and listed as refused.
Result<RdapBootstrap> parseRdapBootstrap(const QByteArray& json, bool allowHttp);

// The server for asciiDomain: the entry of its longest suffix.
std::optional<QUrl> rdapServerFor(const RdapBootstrap& bootstrap, const QString& asciiDomain);

// What the look-up says for a name without a server: "No registry look-up known for .tld".
QString noRdapServerMessage(const QString& asciiDomain);
// The same, unless the bootstrap refused the only address it gives for the name's suffix: then
// it says so, with the address.
QString noRdapServerMessage(const RdapBootstrap& bootstrap, const QString& asciiDomain);

// The snapshot that ships next to the data file, and a newer copy the user saved (in the user
// data folder both programs share).
QString shippedRdapBootstrapPath(const QString& dataDir);
QString userRdapBootstrapPath();

// The bootstrap to use: the file NOMISPOT_RDAP_BOOTSTRAP names, else the newest usable one of the
// user's copies (also those in the folders earlier versions used) and the snapshot, with built-in
// entries for TLDs it lacks.
Result<RdapBootstrap> loadRdapBootstrap(const QString& dataDir);
// The newest usable one of the user's copies and the snapshot, as read (NOMISPOT_RDAP_BOOTSTRAP
// aside, no built-in entries): the list a refresh must better.
Result<RdapBootstrap> loadSavedRdapBootstrap(const QString& dataDir);

} // namespace nomispot
