// The self-test's findings kept for a day per nameserver: read back, expired, ignored when
// damaged, and on the wire against NSD: a repeated check sends no probes, candidates under an
// untrusted suffix are never sent.
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "engine/self_test_cache.h"
#include "nsd_server.h"
#include "wire_log.h"

#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace nomispot;

namespace {

using Trust = SuffixProbe::Trust;

const QString kNsd = QStringLiteral("127.53.60.1");
const QString kRelay = QStringLiteral("127.53.60.2");
const QString kOtherRelay = QStringLiteral("127.53.60.3");
const QDateTime kT0 = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);

// A table with one probe per suffix, its findings set as a run would have found them.
CheckTable probed(const QMap<QString, Trust>& findings) {
    Result<RunPlan, RunRefusal> plan =
        planRun({QStringLiteral("sunny"), CheckMode::Separately, SearchSet::DefaultList,
                 QStringList(findings.keys())},
                TldCatalogue{});
    CheckTable table = std::move(plan->candidates);
    for (SuffixProbe& probe : table.probes()) {
        probe.trust = findings.value(probe.suffix);
        probe.suffixExists = probe.madeUpAbsent = true;
    }
    return table;
}

CheckTable fresh(const QStringList& suffixes) {
    return std::move(
        planRun({QStringLiteral("sunny"), CheckMode::Separately, SearchSet::DefaultList, suffixes},
                TldCatalogue{})
            ->candidates);
}

} // namespace

class TestSelfTestCache : public QObject {
    Q_OBJECT
private slots:
    void rememberedForADay_data();
    void rememberedForADay();
    void onlyDefiniteFindings_data();
    void onlyDefiniteFindings();
    void damagedFile_data();
    void damagedFile();
    void nameserverKeys();
    void repeatedCheckOnTheWire_data();
    void repeatedCheckOnTheWire();

private:
    QTemporaryDir m_dir;
};

void TestSelfTestCache::rememberedForADay_data() {
    QTest::addColumn<qint64>("later"); // seconds after the findings were made
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("applied");

    const QString key = QStringLiteral("127.0.0.1 127.0.0.1:53");
    QTest::newRow("at once") << qint64(0) << key << 3;
    QTest::newRow("an hour later") << qint64(3600) << key << 3;
    QTest::newRow("a second short of a day") << qint64(86399) << key << 3;
    QTest::newRow("a day later") << qint64(86400) << key << 0;
    QTest::newRow("a week later") << qint64(7 * 86400) << key << 0;
    QTest::newRow("the clock set back") << qint64(-60) << key << 0;
    QTest::newRow("another nameserver") << qint64(60) << "127.0.0.2 127.0.0.2:53" << 0;
    QTest::newRow("another port") << qint64(60) << "127.0.0.1:5353 127.0.0.1:5353" << 0;
}

// Findings written, read back later from the file: given to a new run's probes for a day, for
// the same nameserver only; the file keeps only what is younger than a day.
void TestSelfTestCache::rememberedForADay() {
    QFETCH(qint64, later);
    QFETCH(QString, key);
    QFETCH(int, applied);

    const QString path = m_dir.filePath(QStringLiteral("day/self-test.tsv"));
    QFile::remove(path);
    SelfTestCache cache(path);
    const QMap<QString, Trust> findings{{QStringLiteral("com"), Trust::Trusted},
                                        {QStringLiteral("zz"), Trust::SuffixUnknown},
                                        {QStringLiteral("wild"), Trust::MadeUpNamesExist}};
    QCOMPARE(cache.record(probed(findings), QStringLiteral("127.0.0.1 127.0.0.1:53"), kT0), 3);
    QVERIFY(cache.save(kT0));

    const QDateTime then = kT0.addSecs(later);
    const SelfTestCache read = SelfTestCache::load(path, then);
    QVERIFY(!read.damaged());
    CheckTable table = fresh({"com", "zz", "wild", "net"});
    QCOMPARE(read.apply(table, key, then), applied);
    for (const SuffixProbe& probe : table.probes()) {
        const bool known = applied > 0 && findings.contains(probe.suffix);
        QCOMPARE(probe.remembered, known);
        QCOMPARE(probe.trust, known ? findings.value(probe.suffix) : Trust::Trusted);
    }
    QCOMPARE(table.probeQueriesToSend(), applied > 0 ? 2 : 8);
    // Saved again then, what is a day old is gone from the file.
    QVERIFY(read.save(then));
    QCOMPARE(SelfTestCache::load(path, then).size(), then >= kT0 && later < 86400 ? 3 : 0);
}

void TestSelfTestCache::onlyDefiniteFindings_data() {
    QTest::addColumn<bool>("suffixExists");
    QTest::addColumn<bool>("madeUpAbsent");
    QTest::addColumn<int>("trust");
    QTest::addColumn<bool>("kept");

    QTest::newRow("both probes as expected") << true << true << int(Trust::Trusted) << true;
    QTest::newRow("made-up name unanswered") << true << false << int(Trust::Trusted) << false;
    QTest::newRow("suffix refused") << false << true << int(Trust::Trusted) << false;
    QTest::newRow("no answer at all") << false << false << int(Trust::Trusted) << false;
    QTest::newRow("suffix unknown") << false << false << int(Trust::SuffixUnknown) << true;
    QTest::newRow("made-up names exist") << true << false << int(Trust::MadeUpNamesExist) << true;
}

// A probe without a verdict teaches nothing: only definite findings are kept.
void TestSelfTestCache::onlyDefiniteFindings() {
    QFETCH(bool, suffixExists);
    QFETCH(bool, madeUpAbsent);
    QFETCH(int, trust);
    QFETCH(bool, kept);

    CheckTable table = fresh({"com"});
    SuffixProbe& probe = table.probes()[0];
    probe.suffixExists = suffixExists;
    probe.madeUpAbsent = madeUpAbsent;
    probe.trust = Trust(trust);
    SelfTestCache cache(m_dir.filePath(QStringLiteral("definite.tsv")));
    QCOMPARE(cache.record(table, QStringLiteral("ns"), kT0), kept ? 1 : 0);
    // A remembered finding is not made younger by the run that used it.
    probe.remembered = true;
    QCOMPARE(cache.record(table, QStringLiteral("other"), kT0), 0);
}

void TestSelfTestCache::damagedFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("folder"); // a folder in the file's place
    QTest::addColumn<int>("kept");    // findings read from it

    const QByteArray header = "nomispot self-test 1\n";
    const QByteArray good = "1800000000\tns\tnet\ttrusted\n";
    QTest::newRow("random bytes") << QByteArray("\x89PNG\r\n\x1a\n\0\0\xff", 11) << false << 0;
    QTest::newRow("no header") << good << false << 0;
    QTest::newRow("another version") << "nomispot self-test 9\n" + good << false << 0;
    QTest::newRow("empty") << QByteArray() << false << 0;
    QTest::newRow("a line cut short") << header + good + "1800000000\tns\tc" << false << 1;
    QTest::newRow("a time that is no number")
        << header + "soon\tns\tcom\ttrusted\n" + good << false << 1;
    QTest::newRow("an unknown finding")
        << header + "1800000000\tns\tcom\tmaybe\n" + good << false << 1;
    QTest::newRow("a folder") << QByteArray() << true << 0;
}

// A file that makes no sense is read as far as it does, never stops a run, and is replaced.
void TestSelfTestCache::damagedFile() {
    QFETCH(QByteArray, content);
    QFETCH(bool, folder);
    QFETCH(int, kept);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("self-test.tsv"));
    if (folder) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    SelfTestCache cache = SelfTestCache::load(path, kT0);
    QCOMPARE(cache.size(), kept);
    QVERIFY(cache.damaged());
    CheckTable table = fresh({"com", "net"});
    QCOMPARE(cache.apply(table, QStringLiteral("ns"), kT0), kept);
    QCOMPARE(
        cache.record(probed({{QStringLiteral("com"), Trust::Trusted}}), QStringLiteral("ns"), kT0),
        1);
    if (folder)
        QVERIFY(!cache.save(kT0)); // told to the caller, who carries on
    else
        QVERIFY(cache.save(kT0));
    const SelfTestCache again = SelfTestCache::load(path, kT0);
    QCOMPARE(again.damaged(), folder);
    QCOMPARE(again.size(), folder ? 0 : kept + 1);
}

void TestSelfTestCache::nameserverKeys() {
    QCOMPARE(nameserverKey(QStringLiteral(" ns.example "),
                           QHostAddress(QStringLiteral("192.0.2.53")), 53),
             QStringLiteral("ns.example 192.0.2.53:53"));
    QCOMPARE(nameserverKey(QStringLiteral("[2001:db8::1]:5353"),
                           QHostAddress(QStringLiteral("2001:db8::1")), 5353),
             QStringLiteral("[2001:db8::1]:5353 [2001:db8::1]:5353"));
    QCOMPARE(nameserverKey(QStringLiteral("ns.example"), QHostAddress(), 0),
             QStringLiteral("ns.example"));
}

void TestSelfTestCache::repeatedCheckOnTheWire_data() {
    QTest::addColumn<QString>("secondNameserver");
    QTest::addColumn<int>("secondProbes");

    QTest::newRow("the same nameserver: no probes") << kRelay << 0;
    QTest::newRow("another nameserver: probes again") << kOtherRelay << 6;
}

// "sunny" under com (taken), net (free) and zz (missing from the root): the first run probes
// and never sends sunny.zz once zz is known unknown; the second, with the first's findings,
// probes nothing for the same nameserver and still never sends sunny.zz, with the same verdicts.
void TestSelfTestCache::repeatedCheckOnTheWire() {
    QFETCH(QString, secondNameserver);
    QFETCH(int, secondProbes);

    NOMISPOT_START_NSD(nsd, kNsd,
                       (QMap<QString, QString>{{QStringLiteral("."), QString()},
                                               {QStringLiteral("com"), "sunny A 192.0.2.1\n"},
                                               {QStringLiteral("net"), QString()}}));
    test::WireLog wire, otherWire;
    QVERIFY(wire.start(kRelay, kNsd));
    QVERIFY(otherWire.start(kOtherRelay, kNsd));
    const QString path = m_dir.filePath(QStringLiteral("wire/self-test.tsv"));
    QFile::remove(path);

    QList<QStringList> states;
    QList<int> probes;
    QList<int> candidates;
    for (const QString& nameserver : {kRelay, secondNameserver}) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        CheckTable table = fresh({"com", "net", "zz"});
        QueryRunner runner;
        QVERIFY(runner.initNetwork(nameserver));
        const QString key =
            nameserverKey(nameserver, runner.socket().peerAddress(), runner.socket().peerPort());
        SelfTestCache cache = SelfTestCache::load(path, now);
        cache.apply(table, key, now);
        // Ticks long enough for an answer to come back through the relay within its pass, even
        // on a loaded machine: each candidate is then asked once.
        runner.start(table, 25, 3, table.candidateCount() + 1);
        QTRY_VERIFY_WITH_TIMEOUT(!runner.isRunning(), 20000);
        cache.record(table, key, now);
        QVERIFY(cache.save(now));

        QStringList got;
        for (int c = 1; c <= table.colCount(); ++c)
            got << table.at(c, 1).domain + u' ' + QString::number(int(table.at(c, 1).state)) +
                       u' ' + QString::number(int(table.at(c, 1).reason));
        states << got;
        const QStringList asked = wire.takeAsked() + otherWire.takeAsked();
        int probeQueries = 0, candidateQueries = 0;
        for (const QString& name : asked)
            (name.startsWith(QStringLiteral("sunny.")) ? candidateQueries : probeQueries)++;
        QVERIFY2(!asked.contains(QStringLiteral("sunny.zz")), qPrintable(asked.join(u' ')));
        probes << probeQueries;
        candidates << candidateQueries;
    }
    const QStringList expected{QStringLiteral("sunny.com %1 0").arg(int(CheckState::Unavailable)),
                               QStringLiteral("sunny.net %1 0").arg(int(CheckState::Available)),
                               QStringLiteral("sunny.zz %1 %2")
                                   .arg(int(CheckState::NotChecked))
                                   .arg(int(NotCheckedReason::SuffixUnknown))};
    QCOMPARE(states[0], expected);
    QCOMPARE(states[1], expected);
    QCOMPARE(probes[0], 6);
    QCOMPARE(candidates[0], 2);
    QCOMPARE(probes[1], secondProbes);
    QCOMPARE(candidates[1], 2);
}

QTEST_GUILESS_MAIN(TestSelfTestCache)
#include "tst_self_test_cache.moc"
