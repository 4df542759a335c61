#include "rdap/rdap_bootstrap.h"

#include "engine/dns_message.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <array>
#include <utility>

namespace nomispot {

namespace {

constexpr auto kBootstrapFileName = "rdap-dns.json";

// Registries with a public RDAP service that the IANA file did not list when the snapshot was
// taken (their own announcements). A bootstrap that lists the TLD wins.
constexpr std::array<std::pair<const char*, const char*>, 4> kOverrides{{
    {"ch", "https://rdap.nic.ch/"},
    {"de", "https://rdap.denic.de/"},
    {"li", "https://rdap.nic.ch/"},
    {"nl", "https://rdap.sidn.nl/"},
}};

std::optional<QUrl> pickServer(const QJsonArray& urls, bool allowHttp) {
    std::optional<QUrl> http;
    for (const QJsonValue& value : urls) {
        QUrl url(value.toString(), QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty())
            continue;
        if (!url.path().endsWith(QLatin1Char('/')))
            url.setPath(url.path() + QLatin1Char('/'));
        if (url.scheme() == QLatin1String("https"))
            return url;
        if (url.scheme() == QLatin1String("http") && !http)
            http = url;
    }
    return allowHttp ? http : std::nullopt;
}

Result<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("Cannot read the registry list %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString())};
    // The IANA file is about 50 KB; anything far larger is not one.
    constexpr qint64 kMaxSize = 8 * 1024 * 1024;
    if (file.size() > kMaxSize)
        return Failure{QStringLiteral("The registry list %1 is too large.")
                           .arg(QDir::toNativeSeparators(path))};
    return file.readAll();
}

Result<RdapBootstrap> loadFile(const QString& path, bool allowHttp) {
    Result<QByteArray> bytes = readFile(path);
    if (!bytes)
        return bytes.error();
    Result<RdapBootstrap> parsed = parseRdapBootstrap(*bytes, allowHttp);
    if (!parsed)
        return Failure{QStringLiteral("The registry list %1 cannot be used: %2")
                           .arg(QDir::toNativeSeparators(path), parsed.error().message)};
    return parsed;
}

QDateTime publicationOf(const RdapBootstrap& bootstrap) {
    return QDateTime::fromString(bootstrap.publication, Qt::ISODate);
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
        const std::optional<QUrl> server = pickServer(parts.at(1).toArray(), allowHttp);
        if (!server)
            continue;
        for (const QJsonValue& suffix : parts.at(0).toArray()) {
            const QString name = withoutRoot(suffix.toString()).toString().toLower();
            // No empty label: no name could ever end in such a suffix.
            if (!name.split(QLatin1Char('.')).contains(QString()))
                bootstrap.servers.insert_or_assign(name, *server);
        }
    }
    return bootstrap;
}

std::optional<QUrl> rdapServerFor(const RdapBootstrap& bootstrap, const QString& asciiDomain) {
    const QString name = withoutRoot(asciiDomain).toString().toLower();
    // Longest suffix first: every tail of the name after one of its dots.
    for (qsizetype dot = name.indexOf(QLatin1Char('.')); dot >= 0;
         dot = name.indexOf(QLatin1Char('.'), dot + 1)) {
        const auto found = bootstrap.servers.find(name.mid(dot + 1));
        if (found != bootstrap.servers.end())
            return found->second;
    }
    return std::nullopt;
}

QString noRdapServerMessage(const QString& asciiDomain) {
    const QStringView name = withoutRoot(asciiDomain);
    return QStringLiteral("No registry look-up known for .") +
           name.mid(name.lastIndexOf(u'.') + 1).toString();
}

QString shippedRdapBootstrapPath(const QString& dataDir) {
    return QDir(dataDir).filePath(QString::fromLatin1(kBootstrapFileName));
}

QString userRdapBootstrapPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return dir.isEmpty() ? QString() : QDir(dir).filePath(QString::fromLatin1(kBootstrapFileName));
}

Result<RdapBootstrap> loadRdapBootstrap(const QString& dataDir) {
    const QString named = qEnvironmentVariable("NOMISPOT_RDAP_BOOTSTRAP");
    if (!named.isEmpty())
        return loadFile(named, true);
    Result<RdapBootstrap> loaded = loadFile(shippedRdapBootstrapPath(dataDir), false);
    // A copy the user saved replaces the snapshot when it is newer (and usable).
    const QString userPath = userRdapBootstrapPath();
    if (!userPath.isEmpty() && QFile::exists(userPath)) {
        Result<RdapBootstrap> user = loadFile(userPath, false);
        if (user && (!loaded || publicationOf(*user) > publicationOf(*loaded)))
            loaded = std::move(user);
    }
    if (!loaded)
        return loaded;
    for (const auto& [suffix, server] : kOverrides)
        loaded->servers.try_emplace(QString::fromLatin1(suffix), QUrl(QString::fromLatin1(server)));
    return loaded;
}

} // namespace nomispot
