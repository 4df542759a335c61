#include "small_disk.h"

#include <QFile>
#include <QProcess>
#include <unistd.h>

namespace nomispot::test {

namespace {

QString runMount(const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("mount"), arguments);
    if (!process.waitForFinished(10000))
        return QStringLiteral("mount did not run: %1").arg(process.errorString());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("mount failed: %1")
            .arg(QString::fromLocal8Bit(process.readAll()).trimmed());
    return {};
}

} // namespace

SmallDisk::SmallDisk(qint64 bytes) {
    if (geteuid() != 0) {
        m_skipReason = QStringLiteral("mounting a small disk (tmpfs) needs root");
        return;
    }
    if (!m_dir.isValid()) {
        m_skipReason = QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
        return;
    }
    m_skipReason =
        runMount({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                  QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), m_dir.path()});
    m_mounted = m_skipReason.isEmpty();
}

SmallDisk::~SmallDisk() {
    if (!m_mounted)
        return;
    QProcess umount;
    umount.start(QStringLiteral("umount"), {m_dir.path()});
    umount.waitForFinished(10000);
}

bool SmallDisk::fill(qint64 leaveFree) {
    QFile filler(filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) > 0) {
    }
    return filler.error() != QFileDevice::NoError &&
           filler.resize(qMax<qint64>(0, filler.size() - leaveFree));
}

} // namespace nomispot::test
