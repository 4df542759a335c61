#include "nsd_server.h"

#include <QFile>
#include <QFileInfo>

namespace nomispot::test {

NsdServer::NsdServer(const QString& address, const QMap<QString, QString>& zones)
    : m_address(address), m_zones(zones) {}

NsdServer::~NsdServer() {
    stop();
}

QMap<QString, QString> NsdServer::standardZones() {
    return {
        {QStringLiteral("com"), QStringLiteral("taken A 192.0.2.1\nTaken2 A 192.0.2.2\n")},
        {QStringLiteral("net"), QStringLiteral("taken A 192.0.2.3\n")},
        {QStringLiteral("uk"), QStringLiteral("co NS ns.uk.\norg NS ns.uk.\nns A 192.0.2.9\n")},
        {QStringLiteral("co.uk"), QStringLiteral("taken A 192.0.2.4\n")},
        {QStringLiteral("org.uk"), QStringLiteral("free A 192.0.2.5\n")},
    };
}

bool NsdServer::start() {
    const Result<QString> program = serverProgram(QStringLiteral("nsd"));
    if (!program) {
        m_skipReason = program.error().message;
        return false;
    }
    const QString& nsd = *program;
    if (!m_dir.isValid()) {
        m_skipReason = QStringLiteral("no temporary directory");
        return false;
    }
    const QString dir = m_dir.path();
    QString conf = QStringLiteral("server:\n"
                                  "  ip-address: %1@53\n"
                                  "  port: 53\n"
                                  "  username: \"\"\n"
                                  "  chroot: \"\"\n"
                                  "  zonesdir: \"%2\"\n"
                                  "  database: \"\"\n"
                                  "  pidfile: \"%2/nsd.pid\"\n"
                                  "  xfrdfile: \"%2/xfrd.state\"\n"
                                  "  zonelistfile: \"%2/zone.list\"\n"
                                  "  xfrdir: \"%2\"\n"
                                  "  logfile: \"%2/nsd.log\"\n"
                                  "  server-count: 1\n"
                                  "  verbosity: 1\n"
                                  "  rrl-ratelimit: 0\n"
                                  "  reuseport: no\n"
                                  "remote-control:\n"
                                  "  control-enable: no\n")
                       .arg(m_address, dir);
    for (auto it = m_zones.cbegin(); it != m_zones.cend(); ++it) {
        const QString& zone = it.key();
        // "." is the root zone: its names end in the root alone.
        const QString origin = zone == u"." ? zone : zone + u'.';
        const QString file = QFileInfo(zoneFilePath(zone)).fileName();
        conf += QStringLiteral("zone:\n  name: \"%1\"\n  zonefile: \"%2\"\n").arg(origin, file);
        const QString below = zone == u"." ? QString() : origin;
        const QString text = QStringLiteral("$ORIGIN %1\n$TTL 60\n"
                                            "@ SOA ns.%2 hostmaster.%2 1 3600 600 86400 60\n"
                                            "@ NS ns.%2\n")
                                 .arg(origin, below) +
                             it.value();
        if (!writeTextFile(dir + u'/' + file, text)) {
            m_skipReason = QStringLiteral("cannot write zone files");
            return false;
        }
    }
    const QString confPath = dir + QStringLiteral("/nsd.conf");
    if (!writeTextFile(confPath, conf)) {
        m_skipReason = QStringLiteral("cannot write nsd.conf");
        return false;
    }

    const QString zone = m_zones.firstKey();
    if (m_process.start(nsd, {QStringLiteral("-d"), QStringLiteral("-c"), confPath}, m_address,
                        zone == u"." ? QStringLiteral("probe") : QStringLiteral("probe.") + zone))
        return true;
    qWarning("%s\n%s", qPrintable(m_process.failure()), qPrintable(log()));
    m_skipReason = m_process.failure();
    m_failed = true;
    return false;
}

void NsdServer::stop() {
    m_process.stop();
}

QString NsdServer::zoneFilePath(const QString& zone) const {
    return m_dir.path() + u'/' + (zone == u"." ? QStringLiteral("root") : zone) +
           QStringLiteral(".zone");
}

QString NsdServer::log() const {
    QFile f(m_dir.path() + QStringLiteral("/nsd.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace nomispot::test
