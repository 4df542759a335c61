#include "rdap/rdap_bootstrap.h"

#include "app_dirs.h"
#include "engine/dns_message.h"
#include "files/file_access.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <utility>

namespace nomispot {

namespace {

constexpr auto kBootstrapFileName = "rdap-dns.json";

// Country registries with a public RDAP service that IANA's file does not list: not IANA data,
// collected by hand (case/iana-data, data/manual/supplemental-cctld-rdap.json; see tools/).
// A bootstrap that lists the TLD wins.
constexpr std::array<std::pair<const char*, const char*>, 19> kSupplemental{{
    {"ac", "https://rdap.identitydigital.services/rdap/"},
    {"ag", "https://rdap.identitydigital.services/rdap/"},
    {"bh", "https://rdap.centralnic.com/bh/"},
    {"bz", "https://rdap.identitydigital.services/rdap/"},
    {"ch", "https://rdap.nic.ch/"},
    {"co", "https://rdap.registry.co/co/"},
    {"de", "https://rdap.denic.de/"},
    {"gl", "https://rdap.centralnic.com/gl/"},
    {"io", "https://rdap.identitydigital.services/rdap/"},
    {"lc", "https://rdap.identitydigital.services/rdap/"},
    {"li", "https://rdap.nic.li/"},
    {"me", "https://rdap.identitydigital.services/rdap/"},
    {"mn", "https://rdap.identitydigital.services/rdap/"},
    {"my", "https://rdap.mynic.my/rdap/"},
    {"pr", "https://rdap.identitydigital.services/rdap/"},
    {"sc", "https://rdap.identitydigital.services/rdap/"},
    {"sh", "https://rdap.identitydigital.services/rdap/"},
    {"us", "https://rdap.nic.us/"},
    {"vc", "https://rdap.identitydigital.services/rdap/"},
}};

// Registries whose only RDAP service IANA lists is plain http: used all the same, since nothing
// better exists, and every answer from them says so.
constexpr std::array<const char*, 2> kPlainHttpOnly{"kg", "mg"};

// The first https:// address of a service, and its first plain http:// one.
struct ServiceAddresses {
    std::optional<QUrl> https;
    std::optional<QUrl> http;
};

ServiceAddresses addressesOf(const QJsonArray& urls) {
    ServiceAddresses found;
    for (const QJsonValue& value : urls) {
        QUrl url(value.toString(), QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty())
            continue;
        if (!url.path().endsWith(QLatin1Char('/')))
            url.setPath(url.path() + QLatin1Char('/'));
        if (url.scheme() == QLatin1String("https") && !found.https)
            found.https = url;
        if (url.scheme() == QLatin1String("http") && !found.http)
            found.http = url;
    }
    return found;
}

// The IANA file is about 50 KB; anything far larger is not one.
constexpr qint64 kMaxBootstrapSize = 8 * 1024 * 1024;

Result<RdapBootstrap> loadFile(const QString& path, bool allowHttp) {
    Result<QByteArray, FileReadError> bytes = readRegularFile(path, kMaxBootstrapSize);
    if (!bytes)
        return bytes.error().failure(QStringLiteral("the registry list"));
    Result<RdapBootstrap> parsed = parseRdapBootstrap(*bytes, allowHttp);
    if (!parsed)
        return Failure{QStringLiteral("The registry list %1 cannot be used: %2")
                           .arg(QDir::toNativeSeparators(path), parsed.error().message)};
    return parsed;
}

QDateTime publicationOf(const RdapBootstrap& bootstrap) {
    return QDateTime::fromString(bootstrap.publication, Qt::ISODate);
}

// The entry of by-suffix whose key is the longest suffix of asciiDomain (every tail of the name
// after one of its dots), or its end.
std::map<QString, QUrl>::const_iterator longestSuffixEntry(const std::map<QString, QUrl>& bySuffix,
                                                           const QString& asciiDomain) {
    const QString name = withoutRoot(asciiDomain).toString().toLower();
    for (qsizetype dot = name.indexOf(QLatin1Char('.')); dot >= 0;
         dot = name.indexOf(QLatin1Char('.'), dot + 1))
        if (const auto found = bySuffix.find(name.mid(dot + 1)); found != bySuffix.end())
            return found;
    return bySuffix.end();
}

// Where the user's copy may be: the shared folder first, then where earlier versions of the
// window and of nomispot-check kept it.
QStringList userRdapBootstrapPaths() {
    QStringList paths;
    for (const QString& dir : QStringList{userDataDir()} + formerUserDataDirs())
        if (!dir.isEmpty())
            paths << QDir(dir).filePath(QString::fromLatin1(kBootstrapFileName));
    return paths;
}

} // namespace

Result<RdapBootstrap> parseRdapBootstrap(const QByteArray& json, bool allowHttp) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return Failure{
            QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset)};
    const QJsonValue services = document.object().value(QLatin1String("services"));
    if (!services.isArray())
        return Failure{QStringLiteral("it has no list of services")};

    RdapBootstrap bootstrap;
    bootstrap.publication = document.object().value(QLatin1String("publication")).toString();
    for (const QJsonValue& service : services.toArray()) {
        const QJsonArray parts = service.toArray();
        const ServiceAddresses addresses = addressesOf(parts.at(1).toArray());
        const QJsonArray suffixes = parts.at(0).toArray();
        const bool httpOnlyRegistry =
            !suffixes.isEmpty() &&
            std::all_of(suffixes.begin(), suffixes.end(), [](const QJsonValue& s) {
                return std::any_of(
                    kPlainHttpOnly.begin(), kPlainHttpOnly.end(),
                    [&s](const char* tld) { return s.toString().toLower() == QLatin1String(tld); });
            });
        const std::optional<QUrl> server = addresses.https                 ? addresses.https
                                           : allowHttp || httpOnlyRegistry ? addresses.http
                                                                           : std::nullopt;
        if (!server && !addresses.http)
            continue;
        for (const QJsonValue& suffix : suffixes) {
            const QString name = withoutRoot(suffix.toString()).toString().toLower();
            // No empty label: no name could ever end in such a suffix.
            if (name.split(QLatin1Char('.')).contains(QString()))
                continue;
            if (server)
                bootstrap.servers.insert_or_assign(name, *server);
            else
                bootstrap.refused.insert_or_assign(name, *addresses.http);
        }
    }
    // A suffix another service gives an address for is not left without one.
    for (const auto& [suffix, server] : bootstrap.servers)
        bootstrap.refused.erase(suffix);
    return bootstrap;
}

std::optional<QUrl> rdapServerFor(const RdapBootstrap& bootstrap, const QString& asciiDomain) {
    const auto found = longestSuffixEntry(bootstrap.servers, asciiDomain);
    return found == bootstrap.servers.end() ? std::nullopt : std::optional(found->second);
}

QString noRdapServerMessage(const QString& asciiDomain) {
    const QStringView name = withoutRoot(asciiDomain);
    return QStringLiteral("No registry look-up known for .") +
           name.mid(name.lastIndexOf(u'.') + 1).toString();
}

QString noRdapServerMessage(const RdapBootstrap& bootstrap, const QString& asciiDomain) {
    const auto found = longestSuffixEntry(bootstrap.refused, asciiDomain);
    if (found == bootstrap.refused.end())
        return noRdapServerMessage(asciiDomain);
    return QStringLiteral("The registry list gives only a plain http address for .%1 (%2), which "
                          "is not used")
        .arg(found->first, found->second.toString());
}

QString shippedRdapBootstrapPath(const QString& dataDir) {
    return QDir(dataDir).filePath(QString::fromLatin1(kBootstrapFileName));
}

QString userRdapBootstrapPath() {
    const QString dir = userDataDir();
    return dir.isEmpty() ? QString() : QDir(dir).filePath(QString::fromLatin1(kBootstrapFileName));
}

Result<RdapBootstrap> loadSavedRdapBootstrap(const QString& dataDir) {
    Result<RdapBootstrap> loaded = loadFile(shippedRdapBootstrapPath(dataDir), false);
    // A copy the user saved replaces the snapshot when it is newer (and usable); on a tie the
    // one found first stays.
    for (const QString& userPath : userRdapBootstrapPaths()) {
        if (!QFileInfo::exists(userPath))
            continue;
        Result<RdapBootstrap> user = loadFile(userPath, false);
        if (user && (!loaded || publicationOf(*user) > publicationOf(*loaded)))
            loaded = std::move(user);
    }
    return loaded;
}

Result<RdapBootstrap> loadRdapBootstrap(const QString& dataDir) {
    const QString named = qEnvironmentVariable("NOMISPOT_RDAP_BOOTSTRAP");
    if (!named.isEmpty())
        return loadFile(named, true);
    Result<RdapBootstrap> loaded = loadSavedRdapBootstrap(dataDir);
    if (!loaded)
        return loaded;
    for (const auto& [suffix, server] : kSupplemental) {
        const QString name = QString::fromLatin1(suffix);
        if (loaded->servers.try_emplace(name, QUrl(QString::fromLatin1(server))).second)
            loaded->refused.erase(name);
    }
    return loaded;
}

} // namespace nomispot
