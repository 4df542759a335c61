#include "whois_server.h"

#include "server_process.h"

#include <QFile>

namespace nomispot::test {

LoopbackWhois::LoopbackWhois(const QString& address, const QMap<QString, QByteArray>& files,
                             double slowSeconds)
    : m_address(address), m_slowSeconds(slowSeconds) {
    m_skipReason = writeServedFiles(m_dir.filePath(QStringLiteral("files")), files);
    m_failed = !m_skipReason.isEmpty();
}

LoopbackWhois::~LoopbackWhois() {
    killProcess(m_process);
}

bool LoopbackWhois::start() {
    if (m_failed)
        return false;
    m_skipReason =
        startPythonScript(m_process, NOMISPOT_WHOIS_SERVER_SCRIPT,
                          {QStringLiteral("--bind"), m_address, QStringLiteral("--root"),
                           m_dir.filePath(QStringLiteral("files")), QStringLiteral("--log"),
                           m_dir.filePath(QStringLiteral("log")), QStringLiteral("--slow"),
                           QString::number(m_slowSeconds)});
    if (!m_skipReason.isEmpty())
        return false;
    if (!m_process.waitForReadyRead(10000)) {
        m_failed = true;
        m_skipReason = QStringLiteral("the WHOIS server on %1 did not start").arg(m_address);
        return false;
    }
    const QByteArray first = m_process.readLine().trimmed();
    if (first == "ready")
        return true;
    // Port 43 needs root (or the capability to bind low ports): a skip, not a failure.
    m_skipReason = QString::fromLocal8Bit(first + m_process.readAll()).trimmed();
    if (!first.startsWith("cannot listen"))
        m_failed = true;
    else
        m_skipReason += QStringLiteral(" (port 43 needs root)");
    return false;
}

std::vector<LoopbackWhois::Event> LoopbackWhois::events() const {
    std::vector<Event> events;
    QFile log(m_dir.filePath(QStringLiteral("log")));
    if (!log.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3)
            continue;
        events.push_back({fields[0].toDouble(), fields[1] == "done",
                          QString::fromUtf8(line.mid(fields[0].size() + fields[1].size() + 2))});
    }
    return events;
}

QByteArray whoisServersTable(const QMap<QString, QString>& servers) {
    QByteArray table = "tld\twhois_host\tsource\tnote\n";
    for (auto it = servers.begin(); it != servers.end(); ++it)
        table += it.key().toUtf8() + '\t' + it.value().toUtf8() + "\ttest\t\n";
    return table;
}

} // namespace nomispot::test
