#include "files/file_access.h"
#include "small_disk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace nomispot;

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

constexpr qint64 kLimit = 64;

} // namespace

class TestFileAccess : public QObject {
    Q_OBJECT
private slots:
    void readRegularFile_data();
    void readRegularFile();
    void writeFileWhole();
    void writeOntoAFullDisk_data();
    void writeOntoAFullDisk();

private:
    // Makes what a row of readRegularFile names, in dir; the path to read.
    static QString make(const QTemporaryDir& dir, const QString& kind);
};

QString TestFileAccess::make(const QTemporaryDir& dir, const QString& kind) {
    const QString path = dir.filePath(QStringLiteral("named"));
    if (kind == u"file")
        writeBytes(path, "nameserver 192.0.2.1\n");
    else if (kind == u"empty file")
        writeBytes(path, {});
    else if (kind == u"file at the limit")
        writeBytes(path, QByteArray(kLimit, 'x'));
    else if (kind == u"file over the limit")
        writeBytes(path, QByteArray(kLimit + 1, 'x'));
    else if (kind == u"link to a file") {
        writeBytes(dir.filePath(QStringLiteral("target")), "nameserver 192.0.2.1\n");
        QFile::link(dir.filePath(QStringLiteral("target")), path);
    } else if (kind == u"folder")
        QDir().mkpath(path);
    else if (kind == u"pipe")
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
    else if (kind == u"device")
        return QStringLiteral("/dev/zero");
    else if (kind == u"link to a device")
        QFile::link(QStringLiteral("/dev/zero"), path);
    else if (kind == u"below a file") {
        writeBytes(path, "a file");
        return path + QStringLiteral("/below");
    }
    return path;
}

void TestFileAccess::readRegularFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("readSize"); // -1: refused
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("missing");
    QTest::newRow("file") << "file" << qint64(21) << "" << false;
    QTest::newRow("empty file") << "empty file" << qint64(0) << "" << false;
    QTest::newRow("at the limit") << "file at the limit" << kLimit << "" << false;
    QTest::newRow("link to a file") << "link to a file" << qint64(21) << "" << false;
    QTest::newRow("over the limit")
        << "file over the limit" << qint64(-1) << "it is larger than 64 bytes" << false;
    QTest::newRow("folder") << "folder" << qint64(-1) << "it is a folder, not a file" << false;
    // Opening a pipe waits for a writer; reading a device may never end.
    QTest::newRow("pipe") << "pipe" << qint64(-1) << "it is a pipe, not a file" << false;
    QTest::newRow("device") << "device" << qint64(-1) << "it is a device, not a file" << false;
    QTest::newRow("link to a device")
        << "link to a device" << qint64(-1) << "it is a device, not a file" << false;
    QTest::newRow("missing") << "missing" << qint64(-1) << "No such file or directory" << true;
    QTest::newRow("below a file") << "below a file" << qint64(-1) << "Not a directory" << true;
}

void TestFileAccess::readRegularFile() {
    QFETCH(QString, kind);
    QFETCH(qint64, readSize);
    QFETCH(QString, reason);
    QFETCH(bool, missing);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = make(dir, kind);

    const Result<QByteArray, FileReadError> read = nomispot::readRegularFile(path, kLimit);
    QCOMPARE(read.ok(), readSize >= 0);
    if (read) {
        QCOMPARE(qint64(read->size()), readSize);
        QCOMPARE(*read, bytesOf(path));
    } else {
        QCOMPARE(read.error().reason, reason);
        QCOMPARE(read.error().missing, missing);
        QCOMPARE(read.error().failure(QStringLiteral("the list")).message,
                 QStringLiteral("Cannot read the list %1: %2").arg(path, reason));
    }
    // Checking alone takes every regular file, whatever its size.
    const Result<Done, FileReadError> checked = checkRegularFile(path);
    QCOMPARE(checked.ok(), readSize >= 0 || kind == u"file over the limit");
}

void TestFileAccess::writeFileWhole() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("results.csv"));
    QVERIFY(nomispot::writeFileWhole(path, "a longer first content\n"));
    QCOMPARE(bytesOf(path), QByteArray("a longer first content\n"));
    // Replaced whole, nothing of the old content left over, no temporary file beside it.
    QVERIFY(nomispot::writeFileWhole(path, "short\n"));
    QCOMPARE(bytesOf(path), QByteArray("short\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("results.csv")});

    const QString nowhere = dir.filePath(QStringLiteral("missing/results.csv"));
    const Status failed = nomispot::writeFileWhole(nowhere, "x");
    QVERIFY(!failed);
    QVERIFY2(failed.error().message.startsWith(QStringLiteral("Cannot write %1: ").arg(nowhere)),
             qPrintable(failed.error().message));
}

void TestFileAccess::writeOntoAFullDisk_data() {
    QTest::addColumn<bool>("existing");
    QTest::addColumn<qint64>("leaveFree");
    QTest::addColumn<int>("size");
    // Less than a write buffer onto a full disk: only a flush would meet the error.
    QTest::newRow("over a file, full disk, small") << true << qint64(0) << 100;
    QTest::newRow("over a file, nearly full, large") << true << qint64(4096) << 32 * 1024;
    QTest::newRow("new file, full disk, small") << false << qint64(0) << 100;
    QTest::newRow("new file, nearly full, large") << false << qint64(4096) << 32 * 1024;
}

void TestFileAccess::writeOntoAFullDisk() {
    QFETCH(bool, existing);
    QFETCH(qint64, leaveFree);
    QFETCH(int, size);
    test::SmallDisk disk;
    NOMISPOT_REQUIRE_SMALL_DISK(disk);
    const QString path = disk.filePath(QStringLiteral("results.csv"));
    const QByteArray old = "domain,state\nold.com,available\n";
    if (existing)
        QVERIFY(writeBytes(path, old));
    QVERIFY(disk.fill(leaveFree));
    const QStringList before = QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden);

    const Status written = nomispot::writeFileWhole(path, QByteArray(size, 'n'));
    QVERIFY(!written);
    QCOMPARE(written.error().message,
             QStringLiteral("Cannot write %1: No space left on device").arg(path));
    QCOMPARE(QFile::exists(path), existing);
    if (existing)
        QCOMPARE(bytesOf(path), old);
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), before);
}

QTEST_GUILESS_MAIN(TestFileAccess)
#include "tst_file_access.moc"
