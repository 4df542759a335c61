#include "rdap_server.h"

#include "server_process.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace nomispot::test {

namespace {
constexpr int kPort = 8053;
}

RdapServer::RdapServer(const QString& address, const QMap<QString, QByteArray>& files)
    : m_address(address) {
    m_skipReason = writeServedFiles(m_dir.filePath(QStringLiteral("files")), files);
    m_failed = !m_skipReason.isEmpty();
}

RdapServer::~RdapServer() {
    killProcess(m_process);
}

bool RdapServer::start() {
    if (m_failed)
        return false;
    m_skipReason = startPythonScript(
        m_process, NOMISPOT_RDAP_SERVER_SCRIPT,
        {QStringLiteral("--bind"), m_address, QStringLiteral("--port"), QString::number(kPort),
         QStringLiteral("--root"), m_dir.filePath(QStringLiteral("files")), QStringLiteral("--log"),
         m_dir.filePath(QStringLiteral("log"))});
    if (!m_skipReason.isEmpty())
        return false;
    if (m_process.waitForReadyRead(10000) && m_process.readLine().trimmed() == "ready")
        return true;
    m_failed = true;
    m_skipReason = QStringLiteral("the RDAP server on %1 did not start: %2")
                       .arg(m_address, QString::fromLocal8Bit(m_process.readAll()).trimmed());
    return false;
}

QString RdapServer::baseUrl() const {
    return QStringLiteral("http://%1:%2/rdap/").arg(m_address).arg(kPort);
}

std::vector<RdapServer::Request> RdapServer::requests() const {
    std::vector<Request> requests;
    QFile log(m_dir.filePath(QStringLiteral("log")));
    if (!log.open(QIODevice::ReadOnly))
        return requests;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const qsizetype space = line.indexOf(' ');
        const QList<QByteArray> fields = line.mid(space + 1).split('\t');
        if (space > 0 && fields.size() == 2)
            requests.push_back({line.left(space).toDouble(), QString::fromUtf8(fields[0]),
                                QString::fromUtf8(fields[1])});
    }
    return requests;
}

bool writeRdapBootstrap(const QString& path, const QMap<QString, QString>& servers) {
    QJsonArray services;
    for (auto it = servers.begin(); it != servers.end(); ++it)
        services.append(QJsonArray{QJsonArray{it.key()}, QJsonArray{it.value()}});
    const QJsonObject bootstrap{
        {QStringLiteral("version"), QStringLiteral("1.0")},
        {QStringLiteral("publication"), QStringLiteral("2026-01-01T00:00:00Z")},
        {QStringLiteral("services"), services}};
    return writeTextFile(path, QString::fromUtf8(QJsonDocument(bootstrap).toJson()));
}

QByteArray rdapDomainJson(const QString& name, const QString& registrar, const QString& registered,
                          const QString& expires) {
    const QJsonArray vcard{QStringLiteral("vcard"),
                           QJsonArray{QJsonArray{QStringLiteral("version"), QJsonObject{},
                                                 QStringLiteral("text"), QStringLiteral("4.0")},
                                      QJsonArray{QStringLiteral("fn"), QJsonObject{},
                                                 QStringLiteral("text"), registrar}}};
    const QJsonObject domain{
        {QStringLiteral("objectClassName"), QStringLiteral("domain")},
        {QStringLiteral("ldhName"), name},
        {QStringLiteral("status"),
         QJsonArray{QStringLiteral("client hold"), QStringLiteral("client transfer prohibited")}},
        {QStringLiteral("entities"),
         QJsonArray{QJsonObject{{QStringLiteral("objectClassName"), QStringLiteral("entity")},
                                {QStringLiteral("roles"), QJsonArray{QStringLiteral("registrar")}},
                                {QStringLiteral("vcardArray"), vcard}}}},
        {QStringLiteral("events"),
         QJsonArray{QJsonObject{{QStringLiteral("eventAction"), QStringLiteral("registration")},
                                {QStringLiteral("eventDate"), registered}},
                    QJsonObject{{QStringLiteral("eventAction"), QStringLiteral("expiration")},
                                {QStringLiteral("eventDate"), expires}}}},
        {QStringLiteral("nameservers"),
         QJsonArray{QJsonObject{{QStringLiteral("objectClassName"), QStringLiteral("nameserver")},
                                {QStringLiteral("ldhName"), QStringLiteral("NS1.EXAMPLE.NET")}}}}};
    return QJsonDocument(domain).toJson(QJsonDocument::Compact);
}

} // namespace nomispot::test
