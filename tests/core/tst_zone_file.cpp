// Zone files as a source of answers: the reader, the index in the cache folder, and candidates
// answered from it. The index must say what NSD serving the same zone file says.
#include "app_dirs.h"
#include "engine/dns_message.h"
#include "engine/query_phase.h"
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "nsd_server.h"
#include "zone/zone_answers.h"
#include "zone/zone_index.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace nomispot;

namespace {

const QString kNsd = QStringLiteral("127.53.27.1");

using Zones = QMap<QString, QString>;

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// bytes compressed by the gzip program, as registries publish their files.
QByteArray gzipped(const QByteArray& bytes) {
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-c"), QStringLiteral("-n")});
    if (!gzip.waitForStarted())
        return {};
    gzip.write(bytes);
    gzip.closeWriteChannel();
    gzip.waitForFinished();
    return gzip.readAllStandardOutput();
}

// Sets the file's modification time back to when.
bool setModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime);
}

// For messages: why r failed, evaluated even when it did not.
template <typename T> const char* failureOf(const Result<T>& r) {
    static QByteArray message;
    message = r ? QByteArray() : r.error().message.toUtf8();
    return message.constData();
}

std::string key(const QString& name) {
    return name.toLower().toStdString();
}

// Complete names, one column, no self-test.
CheckTable plannedRun(const QStringList& names) {
    RunRequest request{names.join(u' ')};
    request.selfTest = false;
    Result<RunPlan, RunRefusal> plan = planRun(request, TldCatalogue{});
    return plan ? plan->candidates : CheckTable{};
}

const char* kSoa = "@ SOA ns hostmaster 2024071502 3600 600 86400 60\n@ NS ns.other.\n";

} // namespace

class TestZoneFile : public QObject {
    Q_OBJECT
private slots:
    void init();

    void sameVerdictsAsNsd_data();
    void sameVerdictsAsNsd();
    void reader_data();
    void reader();
    void gzip_data();
    void gzip();
    void brokenLine();
    void unreadableZoneFile_data();
    void unreadableZoneFile();
    void badGzipKeepsPreviousIndex_data();
    void badGzipKeepsPreviousIndex();
    void rebuiltWhenStaleOrDamaged_data();
    void rebuiltWhenStaleOrDamaged();
    void cancelledBuildKeepsPreviousIndex();
    void zoneDate_data();
    void zoneDate();
    void answersCandidates();
    void coveredNamesAreNotSent();
    void cacheFolder();

private:
    // The index of text written to a zone file in m_dir.
    Result<ZoneIndex> indexOf(const QByteArray& text, const QString& file = QStringLiteral("z"));

    std::optional<QTemporaryDir> m_dir;
    QString m_indexDir;
};

void TestZoneFile::init() {
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
    m_indexDir = m_dir->filePath(QStringLiteral("index"));
}

Result<ZoneIndex> TestZoneFile::indexOf(const QByteArray& text, const QString& file) {
    const QString path = m_dir->filePath(file);
    if (!writeBytes(path, text))
        return Failure{QStringLiteral("cannot write %1").arg(path)};
    return loadZoneIndex(path, m_indexDir);
}

void TestZoneFile::sameVerdictsAsNsd_data() {
    QTest::addColumn<Zones>("zones");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("the fixture's standard zones")
        << test::NsdServer::standardZones()
        << QStringList{"taken.com",   "Taken2.com",   "TAKEN.COM", "free.com",     "a.taken.com",
                       "ns.com",      "taken.net",    "free.net",  "co.uk",        "org.uk",
                       "ns.uk",       "x.ns.uk",      "zz.uk",     "taken.co.uk",  "free.co.uk",
                       "free.org.uk", "taken.org.uk", "probe.com", "x.free.org.uk"};
    // Every corner of the file format NSD reads, and the answers it gives: names below a
    // delegation, empty non-terminals, wildcards.
    const QString corners = QStringLiteral("deleg NS ns.deleg\n"
                                           "ns.deleg A 192.0.2.10\n"
                                           "a.b.ent A 192.0.2.11\n"
                                           "*.wild A 192.0.2.12\n"
                                           "host.wild A 192.0.2.13\n"
                                           "Mixed.Case A 192.0.2.14\n"
                                           "paren A ( 192.0.2.15 ) ; a comment (\n"
                                           "multi 60 IN A (\n"
                                           "    192.0.2.16 )\n"
                                           "txt TXT \"semi ; colon ( paren\"\n"
                                           "    A 192.0.2.17\n"
                                           "\\065scaped A 192.0.2.18\n"
                                           "dotted\\.label A 192.0.2.19\n"
                                           "$ORIGIN sub.test.\n"
                                           "inner A 192.0.2.20\n"
                                           "$ORIGIN test.\n"
                                           "cls IN 3600 A 192.0.2.21\n"
                                           "late.sub.test. A 192.0.2.22\n");
    QTest::newRow("corner cases")
        << Zones{{"test", corners}}
        << QStringList{
               "deleg.test",       "x.deleg.test",      "ns.deleg.test",      "y.ns.deleg.test",
               "a.b.ent.test",     "b.ent.test",        "ent.test",           "c.ent.test",
               "x.a.b.ent.test",   "wild.test",         "anything.wild.test", "host.wild.test",
               "x.host.wild.test", "a.b.wild.test",     "mixed.case.test",    "case.test",
               "paren.test",       "multi.test",        "txt.test",           "ascaped.test",
               "label.test",       "dotted.label.test", "inner.sub.test",     "sub.test",
               "other.sub.test",   "cls.test",          "late.sub.test",      "missing.test",
               "ns.test"};
}

void TestZoneFile::sameVerdictsAsNsd() {
    QFETCH(Zones, zones);
    QFETCH(QStringList, names);
    NOMISPOT_START_NSD(nsd, kNsd, zones);

    // NSD's answers, through the program's own queries.
    CheckTable asked = plannedRun(names);
    QVERIFY(asked.nameCount() > 0);
    QueryRunner runner;
    QVERIFY(runner.initNetwork(kNsd));
    runner.start(asked, 5, 2, asked.candidateCount() + 1);
    QTRY_VERIFY_WITH_TIMEOUT(!runner.isRunning(), 20000);

    // The answers of NSD's own zone files.
    ZoneIndexSet set;
    for (const QString& zone : zones.keys()) {
        Result<ZoneIndex> index = loadZoneIndex(nsd.zoneFilePath(zone), m_indexDir);
        QVERIFY2(index, failureOf(index));
        QCOMPARE(index->facts().zone, zone);
        QCOMPARE(index->facts().skippedLines, 0);
        set.add(std::move(*index));
    }
    CheckTable fromZones = plannedRun(names);
    const ZoneAnswerCount count = answerFromZoneFiles(fromZones, set);
    QCOMPARE(count.taken + count.free, fromZones.nameCount());

    for (int r = 1; r <= asked.nameCount(); ++r) {
        const CheckItem& dns = asked.at(1, r);
        const QByteArray name = dns.domain.toLatin1();
        QVERIFY2(dns.state == CheckState::Unavailable || dns.state == CheckState::Available,
                 name.constData());
        QVERIFY2(fromZones.at(1, r).state == dns.state, name.constData());
    }
}

void TestZoneFile::reader_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<int>("skipped");

    QTest::newRow("$ORIGIN changes, '@', relative and absolute owners")
        << QByteArray("$ORIGIN example.\n$TTL 1h\n") + kSoa +
               "foo NS ns.other.\n$ORIGIN sub.example.\nbar A 192.0.2.1\n@ TXT x\n"
               "baz.example. A 192.0.2.2\n"
        << "example" << QStringList{"foo.example", "bar.sub.example", "sub.example", "baz.example"}
        << QStringList{"bar.example", "ns.example", "baz.sub.example"} << 0;
    QTest::newRow("no $ORIGIN: the first record's SOA owner is the zone")
        << QByteArray("$TTL 60\nExample. 60 IN SOA ns.example. hm.example. 1 2 3 4 5\n"
                      "Foo.EXAMPLE. IN NS ns.other.\n")
        << "example" << QStringList{"foo.example"} << QStringList{"ns.example"} << 0;
    QTest::newRow("parentheses over lines, comments, quoted text")
        << QByteArray("example. IN SOA ns.example. hm.example. (\n 2024010101 ; serial (\n"
                      " 3600 600\n 86400 60 )\n"
                      "one.example. TXT \"a ; b ( c\" \"d\\\" )\"\n"
                      "two.example. IN ( A\n 192.0.2.1 )\n")
        << "example" << QStringList{"one.example", "two.example"} << QStringList{"b.example"} << 0;
    QTest::newRow("blank owner repeats the previous one: a delegation")
        << QByteArray("$ORIGIN example.\n") + kSoa +
               "foo A 192.0.2.1\n    NS ns.other.\n\tDS 1 2 3 ABCD\nbar A 192.0.2.2\n"
        << "example" << QStringList{"foo.example", "below.foo.example", "bar.example"}
        << QStringList{"below.bar.example"} << 0;
    QTest::newRow("escapes")
        << QByteArray("$ORIGIN example.\n") + kSoa +
               "\\065bc A 192.0.2.1\nwe\\ird A 192.0.2.2\ndot\\.ted A 192.0.2.3\n"
               "sp\\032ace A 192.0.2.4\n"
        << "example" << QStringList{"abc.example", "weird.example"}
        << QStringList{"dot.ted.example", "ted.example", "space.example", "sp.example"} << 0;
    QTest::newRow("TTL and class in either order, units, TYPEnnn")
        << QByteArray("$ORIGIN example.\n") + kSoa +
               "a IN 60 A 192.0.2.1\nb 60 IN A 192.0.2.1\nc 1h30m A 192.0.2.1\n"
               "d CLASS1 TYPE65280 \\# 0\ne in ns ns.other.\n"
        << "example"
        << QStringList{"a.example", "b.example", "c.example", "d.example", "x.e.example"}
        << QStringList{"f.example"} << 0;
    QTest::newRow("empty non-terminals and names below them")
        << QByteArray("$ORIGIN example.\n") + kSoa + "a.b.c A 192.0.2.1\n"
        << "example" << QStringList{"a.b.c.example", "b.c.example", "c.example"}
        << QStringList{"d.c.example", "x.a.b.c.example", "b.example"} << 0;
    QTest::newRow("a wildcard matches only where no name is")
        << QByteArray("$ORIGIN example.\n") + kSoa + "*.w A 192.0.2.1\nh.w A 192.0.2.2\n"
        << "example" << QStringList{"w.example", "x.w.example", "a.b.w.example", "h.w.example"}
        << QStringList{"x.h.w.example", "x.example"} << 0;
    QTest::newRow("CR LF line ends, no line feed at the end")
        << QByteArray(
               "$ORIGIN example.\r\n@ SOA ns hm 1 2 3 4 5\r\nfoo NS ns.other.\r\nbar A 1.2.3.4")
        << "example" << QStringList{"foo.example", "bar.example"} << QStringList{"ns.example"} << 0;
    QTest::newRow("a zone of two labels")
        << QByteArray("co.uk. SOA ns.co.uk. hm.co.uk. 1 2 3 4 5\nsunny.co.uk. NS ns.other.\n")
        << "co.uk" << QStringList{"sunny.co.uk", "co.uk"} << QStringList{"uk", "rainy.co.uk"} << 0;
    QTest::newRow("lines that cannot be read are skipped and counted")
        << QByteArray("$ORIGIN example.\n") + kSoa +
               "good1 NS ns.other.\n"
               "bogus IN BOGUS x\n"
               "nodata NS\n" +
               QByteArray(64, 'x') + " A 192.0.2.1\n" +
               "outside.net. A 192.0.2.1\n"
               "$INCLUDE /etc/hostname\n"
               "\"quoted\" A 192.0.2.1\n"
               "bad\\3 A 192.0.2.1\n"
               "unclosed TXT \"abc\n"
               "closed ) A 192.0.2.1\n"
               "empty..label A 192.0.2.1\n"
               "$WHATEVER x\n"
               "good2 NS ns.other.\n"
        << "example" << QStringList{"good1.example", "good2.example"}
        << QStringList{"bogus.example",    "nodata.example", "outside.net",  "bad.example",
                       "unclosed.example", "closed.example", "empty.example"}
        << 11;
    QTest::newRow("a parenthesis never closed")
        << QByteArray("$ORIGIN example.\n") + kSoa + "good NS ns.other.\nopen TXT ( x\ny\n"
        << "example" << QStringList{"good.example"} << QStringList{"open.example"} << 1;
}

void TestZoneFile::reader() {
    QFETCH(QByteArray, text);
    QFETCH(QString, zone);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, missing);
    QFETCH(int, skipped);

    const Result<ZoneIndex> index = indexOf(text);
    QVERIFY2(index, failureOf(index));
    QCOMPARE(index->facts().zone, zone);
    QCOMPARE(index->facts().skippedLines, skipped);
    QCOMPARE(skippedLinesNotice(index->facts()).isEmpty(), skipped == 0);
    for (const QString& name : existing)
        QVERIFY2(index->nameExists(key(name)), qPrintable(name));
    for (const QString& name : missing)
        QVERIFY2(!index->nameExists(key(name)), qPrintable(name));
}

void TestZoneFile::gzip_data() {
    QTest::addColumn<QByteArray>("file");
    const QByteArray head = QByteArray("$ORIGIN example.\n") + kSoa + "first NS ns.other.\n";
    const QByteArray tail = "second NS ns.other.\n";
    QTest::newRow("one member") << gzipped(head + tail);
    QTest::newRow("two members, cut mid-line")
        << gzipped(head + "sec") + gzipped("ond NS ns.other.\n");
    QTest::newRow("zeros after the data") << gzipped(head + tail) + QByteArray(512, '\0');
}

void TestZoneFile::gzip() {
    QFETCH(QByteArray, file);
    QVERIFY(!file.isEmpty());
    const Result<ZoneIndex> index = indexOf(file, QStringLiteral("example.zone.gz"));
    QVERIFY2(index, failureOf(index));
    QCOMPARE(index->facts().zone, QStringLiteral("example"));
    QCOMPARE(index->facts().names, 2);
    QVERIFY(index->nameExists("first.example"));
    QVERIFY(index->nameExists("second.example"));
    QVERIFY(!index->nameExists("third.example"));
}

void TestZoneFile::brokenLine() {
    const QByteArray text = QByteArray("$ORIGIN example.\n") + kSoa +
                            "before NS ns.other.\nbroken IN NOTATYPE 1\nafter NS ns.other.\n";
    const Result<ZoneIndex> index = indexOf(text, QStringLiteral("example.zone"));
    QVERIFY2(index, failureOf(index));
    QCOMPARE(index->facts().skippedLines, 1);
    QVERIFY(index->nameExists("before.example"));
    QVERIFY(index->nameExists("after.example"));
    QVERIFY(!index->nameExists("broken.example"));
    const QString notice = skippedLinesNotice(index->facts());
    QVERIFY2(notice.contains(QStringLiteral("1 line of the zone file")), qPrintable(notice));
    QVERIFY2(notice.contains(QStringLiteral("line 5: unknown record type \"NOTATYPE\"")),
             qPrintable(notice));

    // The count stays with the index: a later start reads it from there.
    const Result<ZoneIndex> again =
        ZoneIndex::open(zoneIndexPath(m_indexDir, m_dir->filePath(QStringLiteral("example.zone"))));
    QVERIFY(again);
    QCOMPARE(again->facts().skippedLines, 1);
    QCOMPARE(skippedLinesNotice(again->facts()), notice);
}

void TestZoneFile::unreadableZoneFile_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("no zone named") << QByteArray("foo A 192.0.2.1\n") << "names no zone";
    QTest::newRow("empty") << QByteArray() << "names no zone";
    QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff\n\x7f", 6) << "names no zone";
    QTest::newRow("the root zone")
        << QByteArray(". SOA a.root. b.root. 1 2 3 4 5\ncom. NS a.gtld.\n") << "root zone";
}

void TestZoneFile::unreadableZoneFile() {
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    const Result<ZoneIndex> index = indexOf(text);
    QVERIFY(!index);
    QVERIFY2(index.error().message.contains(message), failureOf(index));
    QVERIFY2(index.error().message.contains(m_dir->filePath(QStringLiteral("z"))),
             failureOf(index));

    const Result<ZoneIndex> folder = loadZoneIndex(m_dir->path(), m_indexDir);
    QVERIFY(!folder);
    QVERIFY2(folder.error().message.contains(QStringLiteral("folder")), failureOf(folder));
}

void TestZoneFile::badGzipKeepsPreviousIndex_data() {
    QTest::addColumn<int>("damage");
    QTest::addColumn<QString>("message");
    QTest::newRow("truncated") << 0 << "is cut short";
    QTest::newRow("corrupted") << 1 << "is damaged";
    QTest::newRow("garbage after the data") << 2 << "is damaged";
}

void TestZoneFile::badGzipKeepsPreviousIndex() {
    QFETCH(int, damage);
    QFETCH(QString, message);
    QByteArray text = QByteArray("$ORIGIN example.\n") + kSoa;
    for (int i = 0; i < 20000; ++i)
        text += "name" + QByteArray::number(i) + " NS ns.other.\n";
    const QByteArray good = gzipped(text);
    const QString path = m_dir->filePath(QStringLiteral("example.zone.gz"));
    QVERIFY(writeBytes(path, good));
    const QDateTime written = QFileInfo(path).lastModified();
    QVERIFY(loadZoneIndex(path, m_indexDir));
    const QString indexPath = zoneIndexPath(m_indexDir, path);
    const QByteArray indexBefore = readBytes(indexPath);
    QVERIFY(!indexBefore.isEmpty());

    QByteArray bad = good;
    if (damage == 0)
        bad.chop(bad.size() / 2);
    else if (damage == 1)
        for (qsizetype i = bad.size() / 3; i < bad.size() / 3 + 64; ++i)
            bad[i] = char(~bad[i]);
    else
        bad += "trailing text";
    QVERIFY(writeBytes(path, bad));
    const Result<ZoneIndex> failed = loadZoneIndex(path, m_indexDir);
    QVERIFY(!failed);
    QVERIFY2(failed.error().message.contains(message), failureOf(failed));
    QVERIFY2(failed.error().message.contains(path), failureOf(failed));
    QCOMPARE(readBytes(indexPath), indexBefore);
    QCOMPARE(QDir(m_indexDir).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // The good file back as it was: its index serves again, not built anew.
    QVERIFY(writeBytes(path, good));
    QVERIFY(setModified(path, written));
    bool built = false;
    const Result<ZoneIndex> back = loadZoneIndex(path, m_indexDir, [&](qint64, qint64) {
        built = true;
        return true;
    });
    QVERIFY2(back, failureOf(back));
    QVERIFY(!built);
    QVERIFY(back->nameExists("name19999.example"));
}

void TestZoneFile::rebuiltWhenStaleOrDamaged_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("rebuilt");
    QTest::newRow("unchanged: used as it is") << "none" << false;
    QTest::newRow("zone file changed") << "zone" << true;
    QTest::newRow("zone file touched") << "touch" << true;
    QTest::newRow("index damaged") << "index" << true;
    QTest::newRow("index cut short") << "short" << true;
    QTest::newRow("index empty") << "empty" << true;
}

void TestZoneFile::rebuiltWhenStaleOrDamaged() {
    QFETCH(QString, change);
    QFETCH(bool, rebuilt);
    const QByteArray text = QByteArray("$ORIGIN example.\n") + kSoa + "old NS ns.other.\n";
    const QString path = m_dir->filePath(QStringLiteral("example.zone"));
    QVERIFY(writeBytes(path, text));
    QVERIFY(loadZoneIndex(path, m_indexDir));
    const QString indexPath = zoneIndexPath(m_indexDir, path);

    QByteArray index = readBytes(indexPath);
    if (change == u"zone") {
        QVERIFY(writeBytes(path, text + "new NS ns.other.\n"));
    } else if (change == u"touch") {
        QVERIFY(setModified(path, QFileInfo(path).lastModified().addSecs(-60)));
    } else if (change == u"index") {
        index[index.size() - 3] = char(index[index.size() - 3] ^ 0x10);
        QVERIFY(writeBytes(indexPath, index));
    } else if (change == u"short") {
        QVERIFY(writeBytes(indexPath, index.left(index.size() - 8)));
    } else if (change == u"empty") {
        QVERIFY(writeBytes(indexPath, {}));
    }

    bool built = false;
    const Result<ZoneIndex> loaded =
        loadZoneIndex(path, m_indexDir, [&](qint64 done, qint64 total) {
            built = true;
            return done <= total;
        });
    QVERIFY2(loaded, failureOf(loaded));
    QCOMPARE(built, rebuilt);
    QVERIFY(loaded->nameExists("old.example"));
    QCOMPARE(loaded->nameExists("new.example"), change == u"zone");
    QVERIFY(loaded->isCurrentFor(path));
}

void TestZoneFile::cancelledBuildKeepsPreviousIndex() {
    const QString path = m_dir->filePath(QStringLiteral("example.zone"));
    QByteArray text = QByteArray("$ORIGIN example.\n") + kSoa + "old NS ns.other.\n";
    QVERIFY(writeBytes(path, text));
    QVERIFY(loadZoneIndex(path, m_indexDir));
    const QByteArray before = readBytes(zoneIndexPath(m_indexDir, path));

    for (int i = 0; i < 100000; ++i)
        text += "n" + QByteArray::number(i) + " NS ns.other.\n";
    QVERIFY(writeBytes(path, text));
    int calls = 0;
    const Result<ZoneIndex> cancelled =
        loadZoneIndex(path, m_indexDir, [&](qint64, qint64) { return ++calls < 2; });
    QVERIFY(!cancelled);
    QVERIFY2(cancelled.error().message.contains(QStringLiteral("cancelled")), failureOf(cancelled));
    QCOMPARE(calls, 2);
    QCOMPARE(readBytes(zoneIndexPath(m_indexDir, path)), before);
    QCOMPARE(QDir(m_indexDir).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestZoneFile::zoneDate_data() {
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("fromSerial");
    const QDate modified(2023, 3, 4);
    QTest::newRow("YYYYMMDDnn") << QByteArray("2024071502") << QDate(2024, 7, 15) << true;
    QTest::newRow("a counter") << QByteArray("1") << modified << false;
    QTest::newRow("seconds since 1970") << QByteArray("1721001600") << modified << false;
    QTest::newRow("not a date") << QByteArray("2024139901") << modified << false;
}

void TestZoneFile::zoneDate() {
    QFETCH(QByteArray, serial);
    QFETCH(QDate, date);
    QFETCH(bool, fromSerial);
    const QString path = m_dir->filePath(QStringLiteral("example.zone"));
    QVERIFY(writeBytes(path, "example. SOA ns.example. hm.example. " + serial + " 1 2 3 4\n"));
    QVERIFY(setModified(path, QDateTime(QDate(2023, 3, 4), QTime(12, 0), Qt::UTC)));
    const Result<ZoneIndex> index = loadZoneIndex(path, m_indexDir);
    QVERIFY2(index, failureOf(index));
    QCOMPARE(index->facts().date, date);
    QCOMPARE(index->facts().dateFromSerial, fromSerial);
}

void TestZoneFile::answersCandidates() {
    Result<ZoneIndex> com =
        indexOf("com. SOA a.gtld. hm.gtld. 2024071502 1 2 3 4\ntaken.com. NS ns.other.\n"
                "reserved.com. NS ns.other.\n",
                QStringLiteral("com.zone"));
    QVERIFY2(com, failureOf(com));
    ZoneIndexSet zones;
    zones.add(std::move(*com));

    RunRequest request{QStringLiteral("taken free reserved hyphen"), CheckMode::Separately,
                       SearchSet::DefaultList, QStringList{"com", "net"}};
    Result<RunPlan, RunRefusal> plan = planRun(request, TldCatalogue{});
    QVERIFY(plan);
    CheckTable& table = plan->candidates;
    QCOMPARE(table.probes().size(), std::size_t(2));
    table.at(1, 2).ruleReason = QStringLiteral("kept by the registry"); // free.com
    table.at(1, 4).state = CheckState::NotRegistrable; // as a hyphen rule leaves it
    table.at(1, 4).ruleReason = QStringLiteral("breaks a hyphen rule");

    const ZoneAnswerCount count = answerFromZoneFiles(table, zones);
    QCOMPARE(count.taken, 2);
    QCOMPARE(count.free, 1);
    QCOMPARE(table.at(1, 1).state, CheckState::Unavailable);
    QCOMPARE(table.at(1, 1).verdictSource, QStringLiteral("in the zone file of 2024-07-15"));
    QCOMPARE(table.at(1, 2).state, CheckState::NotRegistrable);
    QCOMPARE(table.at(1, 2).verdictSource, QStringLiteral("not in the zone file of 2024-07-15"));
    QCOMPARE(table.at(1, 3).state, CheckState::Unavailable);
    // A name no registry can take stays as planned.
    QCOMPARE(table.at(1, 4).state, CheckState::NotRegistrable);
    QVERIFY(table.at(1, 4).verdictSource.isEmpty());
    for (int r = 1; r <= table.nameCount(); ++r) {
        QCOMPARE(table.at(1, r).probe, -1);
        if (table.at(2, r).state == CheckState::Pending) {
            QVERIFY(table.at(2, r).verdictSource.isEmpty());
            QCOMPARE(table.at(2, r).probe, 0);
        }
    }
    // Only .net is tested before the run.
    QCOMPARE(table.probes().size(), std::size_t(1));
    QCOMPARE(table.probes()[0].suffix, QStringLiteral("net"));
}

void TestZoneFile::coveredNamesAreNotSent() {
    Result<ZoneIndex> com = indexOf(
        "com. SOA a.gtld. hm.gtld. 1 1 2 3 4\ntaken.com. NS ns.other.\n", QStringLiteral("com"));
    QVERIFY(com);
    ZoneIndexSet zones;
    zones.add(std::move(*com));
    RunRequest request{QStringLiteral("taken free"), CheckMode::Separately, SearchSet::DefaultList,
                       QStringList{"com", "net"}};
    Result<RunPlan, RunRefusal> plan = planRun(request, TldCatalogue{});
    QVERIFY(plan);
    CheckTable& table = plan->candidates;
    answerFromZoneFiles(table, zones);

    QStringList asked;
    QueryPhase::Hooks hooks;
    hooks.send = [&](const QByteArray& datagram) {
        // QNAME from byte 12: length-prefixed labels.
        QStringList labels;
        for (qsizetype i = 12; i < datagram.size() && datagram[i] != 0; i += datagram[i] + 1)
            labels << QString::fromLatin1(datagram.mid(i + 1, datagram[i]));
        asked << labels.join(u'.');
        return QueryPhase::SendResult::Sent;
    };
    QueryPhase phase(table, 2, table.candidateCount() + 1, hooks);
    phase.start();
    for (int tick = 0; tick < 1000 && phase.isRunning(); ++tick)
        phase.tick();
    QVERIFY(!phase.isRunning());
    QCOMPARE(asked.size(), 2 + 2 * 2); // the .net probes, then two passes of two names
    for (const QString& name : asked)
        QVERIFY2(name.endsWith(QStringLiteral(".net")) || name == u"net", qPrintable(name));
    QCOMPARE(table.at(1, 1).state, CheckState::Unavailable);
    QCOMPARE(table.at(1, 2).state, CheckState::Available);
    QCOMPARE(table.at(2, 1).state, CheckState::NotChecked);
}

void TestZoneFile::cacheFolder() {
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", m_dir->path().toUtf8());
    QCOMPARE(userCacheDir(), m_dir->path() + QStringLiteral("/nomispot"));
    QVERIFY(defaultZoneIndexDir().startsWith(userCacheDir() + u'/'));
    qunsetenv("XDG_CACHE_HOME");
    QCOMPARE(userCacheDir(), QDir::homePath() + QStringLiteral("/.cache/nomispot"));
    if (!saved.isNull())
        qputenv("XDG_CACHE_HOME", saved);

    // One index per zone file, whatever it is called.
    QVERIFY(zoneIndexPath(m_indexDir, QStringLiteral("/a/com.zone")) !=
            zoneIndexPath(m_indexDir, QStringLiteral("/b/com.zone")));
}

QTEST_GUILESS_MAIN(TestZoneFile)
#include "tst_zone_file.moc"
