#include "names/process_start.h"

#include <QCoreApplication>
#include <QProcess>

namespace nomispot {

std::unique_ptr<QProcess> StartProcess(const QString& commandLine, bool hidden) {
    QStringList args = QProcess::splitCommand(commandLine);
    if (args.isEmpty())
        return nullptr;
    const QString program = args.takeFirst();
    auto process = std::make_unique<QProcess>();
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    if (hidden) {
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
    } else {
        process->setProcessChannelMode(QProcess::ForwardedChannels);
    }
    process->start(program, args);
    if (!process->waitForStarted(-1))
        return nullptr;
    return process;
}

std::optional<bool> ShellAndWait(const QString& commandLine, int timeoutMs, bool waitForIdle,
                                 bool hidden) {
    std::unique_ptr<QProcess> process = StartProcess(commandLine, hidden);
    if (!process)
        return std::nullopt;
    // A started program is ready for input: there is no separate idle state to wait for.
    const bool reached = waitForIdle || process->waitForFinished(timeoutMs > 0 ? timeoutMs : -1);
    if (process->state() != QProcess::NotRunning) {
        // The program goes on; its process object goes when it ends, or with the application.
        QProcess* running = process.release();
        running->setParent(QCoreApplication::instance());
        QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
    }
    return reached;
}

} // namespace nomispot
