// The zone files of the window's runs: the stored list, loading them together, and what the list
// says of each.
#include "settings/settings_ops.h"
#include "zone/zone_files.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace nomispot;

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray zoneText(const char* zone, const QByteArray& records = {}) {
    return QByteArray(zone) + ". SOA ns hm 2024071502 1 2 3 4\n" + records;
}

} // namespace

class TestZoneFiles : public QObject {
    Q_OBJECT
private slots:
    void init();
    void storedList_data();
    void storedList();
    void listRoundTrip();
    void loadTogether();
    void cancelStopsTheRest();
    void status_data();
    void status();

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_indexDir;
};

void TestZoneFiles::init() {
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
    m_indexDir = m_dir->filePath(QStringLiteral("index"));
}

void TestZoneFiles::storedList_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("none") << QByteArray("[main]\ninit=False\n") << QStringList{};
    QTest::newRow("empty") << QByteArray("[zone]\nfiles=\n") << QStringList{};
    QTest::newRow("one") << QByteArray("[zone]\nfiles=/z/com.zone\n") << QStringList{"/z/com.zone"};
    QTest::newRow("two, quoted with a comma")
        << QByteArray("[zone]\nfiles=\"/z/a,b.zone\", /z/net.zone.gz\n")
        << QStringList{"/z/a,b.zone", "/z/net.zone.gz"};
    QTest::newRow("relative and repeated entries left out")
        << QByteArray("[zone]\nfiles=com.zone, /z/x/../com.zone, /z/com.zone, , /z/net\n")
        << QStringList{"/z/com.zone", "/z/net"};
    QTest::newRow("a number") << QByteArray("[zone]\nfiles=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n")
                              << QStringList{};
    QTest::newRow("bytes") << QByteArray("[zone]\nfiles=@ByteArray(/z/com.zone)\n")
                           << QStringList{};
    QTest::newRow("broken variant")
        << QByteArray("[zone]\nfiles=@Variant(\\xff\\xff\n") << QStringList{};
    QTest::newRow("a section, not a value")
        << QByteArray("[zone]\nfiles\\1=/z/a\nfiles\\size=1\n") << QStringList{};
}

void TestZoneFiles::storedList() {
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, files);
    const QString path = m_dir->filePath(QStringLiteral("%1.ini").arg(QTest::currentDataTag()));
    QVERIFY(writeBytes(path, ini));
    const SettingsStore store(path);
    QCOMPARE(readZoneFiles(store), files);
}

void TestZoneFiles::listRoundTrip() {
    const QString path = m_dir->filePath(QStringLiteral("settings.ini"));
    const QStringList files{"/z/a, b.zone", "/z/\"quoted\".zone", "/z/@at.zone", "/z/ü.zone"};
    {
        SettingsStore store(path);
        writeZoneFiles(store, files);
    }
    // A copy: stores on one path share their values within a process.
    const QString copy = m_dir->filePath(QStringLiteral("copy.ini"));
    QVERIFY(QFile::copy(path, copy));
    QCOMPARE(readZoneFiles(SettingsStore(copy)), files);

    SettingsStore one(m_dir->filePath(QStringLiteral("one.ini")));
    writeZoneFiles(one, {"/z/only, one.zone"});
    QVERIFY(QFile::copy(one.path(), m_dir->filePath(QStringLiteral("one-copy.ini"))));
    QCOMPARE(readZoneFiles(SettingsStore(m_dir->filePath(QStringLiteral("one-copy.ini")))),
             QStringList{"/z/only, one.zone"});
    writeZoneFiles(one, {});
    QVERIFY(readZoneFiles(one).isEmpty());
}

void TestZoneFiles::loadTogether() {
    const QString com = m_dir->filePath(QStringLiteral("com.zone"));
    const QString broken = m_dir->filePath(QStringLiteral("broken.zone"));
    const QString missing = m_dir->filePath(QStringLiteral("missing.zone"));
    QVERIFY(writeBytes(com, zoneText("com", "taken.com. NS ns.other.\nbad IN NOTATYPE 1\n")));
    QVERIFY(writeBytes(broken, "no zone here\n"));

    int calls = 0;
    ZoneFilesLoaded first =
        loadZoneFiles({com, broken, missing}, m_indexDir, [&](int file, qint64 done, qint64 total) {
            ++calls;
            return file >= 0 && file < 2 && done <= total;
        });
    QVERIFY(calls > 0);
    QVERIFY(!first.cancelled);
    QCOMPARE(first.zones.indexes().size(), std::size_t(1));
    QVERIFY(first.zones.covering("taken.com"));
    QCOMPARE(first.failures.size(), 2);
    QVERIFY2(first.failures[0].contains(broken), qPrintable(first.failures[0]));
    QVERIFY2(first.failures[1].contains(missing), qPrintable(first.failures[1]));
    QCOMPARE(first.notices.size(), 1);
    QVERIFY2(first.notices[0].contains(QStringLiteral("1 line of the zone file")),
             qPrintable(first.notices[0]));
    const QString message = zoneFilesMessage(first);
    QVERIFY(message.contains(broken) && message.contains(missing));
    QVERIFY(message.contains(QStringLiteral("Their names are asked of the DNS instead.")));

    // The index is kept: the skipped lines were told when it was built, not again.
    ZoneFilesLoaded again = loadZoneFiles({com}, m_indexDir);
    QCOMPARE(again.zones.indexes().size(), std::size_t(1));
    QVERIFY(again.failures.isEmpty());
    QVERIFY(again.notices.isEmpty());
    QVERIFY(zoneFilesMessage(again).isEmpty());
}

void TestZoneFiles::cancelStopsTheRest() {
    const QString com = m_dir->filePath(QStringLiteral("com.zone"));
    const QString net = m_dir->filePath(QStringLiteral("net.zone"));
    QVERIFY(writeBytes(com, zoneText("com")));
    QVERIFY(writeBytes(net, zoneText("net")));
    QVERIFY(loadZoneFiles({com}, m_indexDir).failures.isEmpty());

    QList<int> asked;
    const ZoneFilesLoaded loaded =
        loadZoneFiles({com, net, com}, m_indexDir, [&](int file, qint64, qint64) {
            asked << file;
            return false;
        });
    QVERIFY(loaded.cancelled);
    QCOMPARE(asked, QList<int>{1}); // com's index was current: only net's build asked
    QCOMPARE(loaded.zones.indexes().size(), std::size_t(1));
    QVERIFY(loaded.failures.isEmpty());
    QVERIFY(zoneFilesMessage(loaded).isEmpty());
}

void TestZoneFiles::status_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("status");
    QTest::newRow("indexed") << "none"
                             << "com, 2024-07-15: 2 names, 1 line skipped";
    QTest::newRow("not indexed yet") << "new"
                                     << "Not indexed yet: indexed at the next check.";
    QTest::newRow("not usable at the last check") << "broken"
                                                  << "Not used at the last check: ";
    QTest::newRow("changed since it failed") << "mended"
                                             << "Not indexed yet: indexed at the next check.";
    QTest::newRow("changed") << "touch"
                             << "Changed since it was indexed: indexed again at the next check.";
    QTest::newRow("damaged index") << "damage"
                                   << "Its index is damaged: built again at the next check.";
    QTest::newRow("gone") << "remove"
                          << "Cannot read the zone file";
    QTest::newRow("no cache folder") << "nocache"
                                     << "There is no cache folder to keep its index in.";
}

void TestZoneFiles::status() {
    QFETCH(QString, change);
    QFETCH(QString, status);
    const QString com = m_dir->filePath(QStringLiteral("com.zone"));
    QVERIFY(writeBytes(com, zoneText("com", "a.com. NS ns.other.\nb.com. NS x.\nc IN BOGUS 1\n")));
    if (change == u"broken" || change == u"mended") {
        // Names no zone: it fails, and the list says so until the file changes.
        QVERIFY(writeBytes(com, "a.com. NS ns.other.\n"));
        QCOMPARE(loadZoneFiles({com}, m_indexDir).failures.size(), 1);
        if (change == u"mended")
            QVERIFY(writeBytes(com, zoneText("com")));
    } else if (change != u"new") {
        QVERIFY(loadZoneFiles({com}, m_indexDir).failures.isEmpty());
    }
    QString indexDir = m_indexDir;
    if (change == u"touch") {
        QFile f(com);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QFileInfo(com).lastModified().addSecs(-60),
                              QFileDevice::FileModificationTime));
    } else if (change == u"damage") {
        QVERIFY(writeBytes(zoneIndexPath(m_indexDir, com), "not an index"));
    } else if (change == u"remove") {
        QVERIFY(QFile::remove(com));
    } else if (change == u"nocache") {
        indexDir.clear();
    }
    const QString shown = zoneFileStatus(com, indexDir);
    QVERIFY2(shown.startsWith(status), qPrintable(shown));
}

QTEST_GUILESS_MAIN(TestZoneFiles)
#include "tst_zone_files.moc"
