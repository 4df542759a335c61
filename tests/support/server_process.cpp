#include "server_process.h"

#include "engine/dns_message.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QStandardPaths>
#include <QThread>
#include <QUdpSocket>
#include <unistd.h>

namespace nomispot::test {

bool ServerProcess::start(const QString& program, const QStringList& arguments,
                          const QString& address, const QString& probeName) {
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->start(program, arguments);
    if (!m_process->waitForStarted(5000)) {
        m_failure = QStringLiteral("%1 did not start: %2").arg(program, m_process->errorString());
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process->state() == QProcess::Running) {
        if (answersOnPort53(address, probeName))
            return true;
        QThread::msleep(50);
    }
    m_failure = m_process->state() == QProcess::Running
                    ? QStringLiteral("%1 did not answer on %2 within 10 s").arg(program, address)
                    : QStringLiteral("%1 exited: %2")
                          .arg(program, QString::fromLocal8Bit(output()).trimmed());
    stop();
    return false;
}

void ServerProcess::stop() {
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
    }
    m_process.reset();
}

QByteArray ServerProcess::output() const {
    return m_process ? m_process->readAll() : QByteArray();
}

bool answersOnPort53(const QString& address, const QString& name) {
    QUdpSocket probe;
    probe.connectToHost(QHostAddress(address), 53);
    const auto query = BuildQuery(name, 4242);
    if (!query || !probe.waitForConnected(500))
        return false;
    probe.write(*query);
    return probe.waitForReadyRead(200) && probe.receiveDatagram().data().size() >= 4;
}

QString findServerProgram(const QString& name) {
    for (const QString& dir : {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")})
        if (QFile::exists(dir + u'/' + name))
            return dir + u'/' + name;
    return QStandardPaths::findExecutable(name);
}

Result<QString> serverProgram(const QString& name) {
    if (geteuid() != 0)
        return Failure{QStringLiteral("%1 on port 53 needs root").arg(name)};
    const QString path = findServerProgram(name);
    if (path.isEmpty())
        return Failure{QStringLiteral("%1 is not installed (apt-get install %1)").arg(name)};
    return path;
}

bool writeTextFile(const QString& path, const QString& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) >= 0;
}

QString writeServedFiles(const QString& dir, const QMap<QString, QByteArray>& files) {
    QDir().mkpath(dir);
    for (auto it = files.begin(); it != files.end(); ++it) {
        QFile file(dir + u'/' + it.key());
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return QStringLiteral("cannot write the server's file ") + it.key();
    }
    return {};
}

QString startPythonScript(QProcess& process, const char* script, const QStringList& arguments) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        return QStringLiteral("python3 is not installed (apt-get install python3)");
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(python, QStringList{QString::fromLocal8Bit(script)} + arguments);
    return {};
}

void killProcess(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
    }
}

} // namespace nomispot::test
