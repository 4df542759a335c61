#include "unbound_server.h"

#include <QFile>
#include <QHostAddress>
#include <QUdpSocket>

namespace nomispot::test {

namespace {

// A value that fits between double quotes on one config line.
bool isPlainValue(const QString& value) {
    return !value.isEmpty() && !value.contains(u'"') && !value.contains(u'\n') &&
           !value.contains(u'\r');
}

} // namespace

UnboundServer::UnboundServer(const QString& address, const Options& options)
    : m_address(address), m_options(options) {}

UnboundServer::~UnboundServer() {
    stop();
}

bool UnboundServer::start() {
    const Result<QString> program = serverProgram(QStringLiteral("unbound"));
    if (!program) {
        m_skipReason = program.error().message;
        return false;
    }
    const QString& unbound = *program;
    if (!m_dir.isValid()) {
        m_skipReason = QStringLiteral("no temporary directory");
        return false;
    }
    if (QHostAddress(m_address).protocol() != QAbstractSocket::IPv4Protocol) {
        m_skipReason = QStringLiteral("unbound needs an IPv4 address, not \"%1\"").arg(m_address);
        m_failed = true;
        return false;
    }

    if (!portIsFree()) {
        m_skipReason = QStringLiteral("%1 port 53 is already in use").arg(m_address);
        m_failed = true;
        return false;
    }

    const QString dir = m_dir.path();
    // Upstream queries leave from 127.0.0.1 only: stubs on loopback work, the root servers
    // cannot be reached, so stray names fail at once. A short maximum RTT makes an
    // unanswering stub give SERVFAIL in under a second rather than after many seconds.
    QString conf = QStringLiteral("server:\n"
                                  "  interface: %1\n"
                                  "  port: 53\n"
                                  "  do-ip4: yes\n"
                                  "  do-ip6: no\n"
                                  "  do-udp: yes\n"
                                  "  outgoing-interface: 127.0.0.1\n"
                                  "  so-reuseport: no\n"
                                  "  num-threads: 1\n"
                                  "  do-daemonize: no\n"
                                  "  use-syslog: no\n"
                                  "  logfile: \"%2/unbound.log\"\n"
                                  "  verbosity: 1\n"
                                  "  username: \"\"\n"
                                  "  chroot: \"\"\n"
                                  "  directory: \"%2\"\n"
                                  "  pidfile: \"%2/unbound.pid\"\n"
                                  "  access-control: 127.0.0.0/8 allow\n"
                                  "  module-config: \"iterator\"\n"
                                  "  do-not-query-localhost: no\n"
                                  "  qname-minimisation: no\n"
                                  "  harden-referral-path: no\n"
                                  "  target-fetch-policy: \"0 0 0 0 0\"\n"
                                  "  infra-cache-max-rtt: 500\n")
                       .arg(m_address, dir);
    for (const QString& line : m_options.extraServerLines)
        conf += QStringLiteral("  ") + line.trimmed() + u'\n';
    for (auto it = m_options.stubZones.cbegin(); it != m_options.stubZones.cend(); ++it) {
        if (!isPlainValue(it.key()) || !isPlainValue(it.value())) {
            m_skipReason =
                QStringLiteral("bad stub zone \"%1\" -> \"%2\"").arg(it.key(), it.value());
            m_failed = true;
            return false;
        }
        conf += QStringLiteral("stub-zone:\n  name: \"%1\"\n  stub-addr: %2\n")
                    .arg(it.key(), it.value());
    }
    conf += QStringLiteral("remote-control:\n  control-enable: no\n");

    const QString confPath = dir + QStringLiteral("/unbound.conf");
    if (!writeTextFile(confPath, conf)) {
        m_skipReason = QStringLiteral("cannot write unbound.conf");
        return false;
    }
    if (!checkConfig(confPath))
        return false;

    // unbound answers localhost from its built-in local zone, whatever the stubs are.
    if (m_process.start(unbound, {QStringLiteral("-d"), QStringLiteral("-c"), confPath}, m_address,
                        QStringLiteral("localhost")))
        return true;
    qWarning("%s\n%s", qPrintable(m_process.failure()), qPrintable(log()));
    m_skipReason =
        m_process.failure() + QStringLiteral(" (does an access-control line deny 127.0.0.1?)");
    m_failed = true;
    return false;
}

// unbound-checkconf names the bad line; unbound itself may only say it cannot start.
bool UnboundServer::checkConfig(const QString& confPath) {
    const QString checkconf = findServerProgram(QStringLiteral("unbound-checkconf"));
    if (checkconf.isEmpty())
        return true;
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(checkconf, {confPath});
    if (!check.waitForFinished(10000)) {
        check.kill();
        check.waitForFinished(2000);
        return true; // The start below reports any real problem.
    }
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0)
        return true;
    m_skipReason = QStringLiteral("unbound-checkconf rejected the config: ") +
                   QString::fromLocal8Bit(check.readAll()).trimmed();
    m_failed = true;
    return false;
}

// Another server on the address would answer the probe in place of ours.
bool UnboundServer::portIsFree() const {
    QUdpSocket socket;
    return socket.bind(QHostAddress(m_address), 53, QAbstractSocket::DontShareAddress);
}

void UnboundServer::stop() {
    m_process.stop();
}

QString UnboundServer::log() const {
    QFile f(m_dir.path() + QStringLiteral("/unbound.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace nomispot::test
