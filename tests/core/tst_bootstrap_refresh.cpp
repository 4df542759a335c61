#include "rdap/bootstrap_refresh.h"
#include "rdap_server.h"
#include "server_process.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace nomispot;

namespace {

const QString kAddress = QStringLiteral("127.0.0.91");

// A publication the given number of days before today.
QString daysAgo(int days) {
    return QDateTime(QDate::currentDate().addDays(-days), QTime(0, 0), Qt::UTC)
        .toString(Qt::ISODate);
}

QByteArray listOf(const QString& publication, const QString& server = "https://reg.example/") {
    return QStringLiteral(
               R"({"version": "1.0", "publication": "%1", "services": [[["com"], ["%2"]]]})")
        .arg(publication, server)
        .toUtf8();
}

QString httpDate(const QString& publication) {
    return QLocale::c().toString(QDateTime::fromString(publication, Qt::ISODate).toUTC(),
                                 QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
}

using Files = QMap<QString, QByteArray>;

} // namespace

class TestBootstrapRefresh : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fetch_data();
    void fetch();
    void due_data();
    void due();

private:
    // Runs one refresh to its end.
    BootstrapRefreshOutcome refresh(bool force, RefreshPolicy policy = {});
    void shipList(const QString& publication);

    QTemporaryDir m_dataDir;
};

void TestBootstrapRefresh::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dataDir.isValid());
}

// No user copy or record of an earlier test.
void TestBootstrapRefresh::init() {
    qunsetenv("NOMISPOT_RDAP_BOOTSTRAP");
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QVERIFY(!data.isEmpty());
    QVERIFY(QDir(data).removeRecursively());
}

void TestBootstrapRefresh::cleanup() {
    qunsetenv(kBootstrapUrlEnv);
}

void TestBootstrapRefresh::shipList(const QString& publication) {
    QVERIFY(test::writeTextFile(shippedRdapBootstrapPath(m_dataDir.path()),
                                QString::fromUtf8(listOf(publication))));
}

BootstrapRefreshOutcome TestBootstrapRefresh::refresh(bool force, RefreshPolicy policy) {
    BootstrapRefresh refresh(m_dataDir.path(), policy);
    QSignalSpy finished(&refresh, &BootstrapRefresh::finished);
    refresh.start(force);
    if (!finished.wait(20000))
        return {BootstrapRefreshOutcome::NotTried, QStringLiteral("no outcome"), {}};
    return finished.at(0).at(0).value<BootstrapRefreshOutcome>();
}

void TestBootstrapRefresh::fetch_data() {
    QTest::addColumn<Files>("files"); // the server's, dns.json the list it gives
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reason"); // how it starts
    QTest::addColumn<QString>("inUse");  // publication of the list in use afterwards

    const QString old = daysAgo(60);
    const QString newer = daysAgo(2);
    const int failed = BootstrapRefreshOutcome::Failed;
    const int unchanged = BootstrapRefreshOutcome::Unchanged;
    QTest::newRow("200 newer") << Files{{"dns.json", listOf(newer)}} << 10000
                               << int(BootstrapRefreshOutcome::Refreshed) << QString() << newer;
    QTest::newRow("304") << Files{{"dns.json", listOf(newer)},
                                  {"dns.json.modified", httpDate(daysAgo(61)).toLatin1()}}
                         << 10000 << unchanged << "127.0.0.91 has not changed it since" << old;
    QTest::newRow("200 older") << Files{{"dns.json", listOf(daysAgo(90))}} << 10000 << unchanged
                               << "the list from 127.0.0.91 is of " + daysAgo(90).left(10) << old;
    QTest::newRow("garbage") << Files{{"dns.json", "<html>Service moved</html>"}} << 10000 << failed
                             << "the file from 127.0.0.91 is not a registry list: not JSON" << old;
    QTest::newRow("newer, but no registry")
        << Files{{"dns.json", R"({"publication": ")" + newer.toLatin1() + R"(", "services": []})"}}
        << 10000 << failed << "the file from 127.0.0.91 lists no registry" << old;
    QTest::newRow("404") << Files{} << 10000 << failed << "127.0.0.91 answered HTTP 404" << old;
    QTest::newRow("time-out") << Files{{"dns.json", listOf(newer)}, {"dns.json.slow", "5"}} << 500
                              << failed << "no answer from 127.0.0.91 within 1 s" << old;
    QTest::newRow("redirect to plain http")
        << Files{{"dns.json.redirect", "302 http://127.0.0.92:8053/dns.json"}} << 10000 << failed
        << "127.0.0.91 redirected to http://127.0.0.92:8053/dns.json, which is not https" << old;
}

// Whatever the answer, the list in use stays unless a newer usable one came; the request says
// which list it has.
void TestBootstrapRefresh::fetch() {
    QFETCH(Files, files);
    QFETCH(int, timeoutMs);
    QFETCH(int, kind);
    QFETCH(QString, reason);
    QFETCH(QString, inUse);
    test::RdapServer server(kAddress, files);
    NOMISPOT_REQUIRE_SERVER_RUNNING(server);
    qputenv(kBootstrapUrlEnv, (server.baseUrl() + QStringLiteral("dns.json")).toUtf8());
    const QString old = daysAgo(60);
    shipList(old);

    RefreshPolicy policy;
    policy.timeout = std::chrono::milliseconds(timeoutMs);
    const BootstrapRefreshOutcome outcome = refresh(false, policy);
    QCOMPARE(int(outcome.kind), kind);
    QVERIFY2(outcome.reason.startsWith(reason), qPrintable(outcome.reason));
    QCOMPARE(outcome.publication, inUse);

    const std::vector<test::RdapServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), std::size_t(1));
    QCOMPARE(requests[0].ifModifiedSince, httpDate(old));
    QCOMPARE(QFile::exists(userRdapBootstrapPath()), kind == BootstrapRefreshOutcome::Refreshed);
    const Result<RdapBootstrap> loaded = loadRdapBootstrap(m_dataDir.path());
    QVERIFY(loaded);
    QCOMPARE(loaded->publication, inUse);
    QCOMPARE(lastRefreshTry(), std::optional(QDate::currentDate()));

    const QString day = inUse.left(10);
    QCOMPARE(refreshSummary(outcome),
             kind == BootstrapRefreshOutcome::Refreshed ? "Registry list refreshed: " + day + '.'
             : kind == BootstrapRefreshOutcome::Failed
                 ? "Registry list of " + day + "; refresh failed: " + outcome.reason + '.'
                 : "Registry list of " + day + "; no newer one (" + outcome.reason + ").");
}

void TestBootstrapRefresh::due_data() {
    QTest::addColumn<int>("age");        // of the shipped list, in days
    QTest::addColumn<QString>("record"); // the last try's record; "<dir>": a folder in its place
    QTest::addColumn<bool>("fixedFile"); // NOMISPOT_RDAP_BOOTSTRAP names one
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("asked");

    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const QString yesterday = QDate::currentDate().addDays(-1).toString(Qt::ISODate);
    QTest::newRow("recent list") << 5 << QString() << false << false << false;
    QTest::newRow("30 days old") << 30 << QString() << false << false << false;
    QTest::newRow("old list") << 31 << QString() << false << false << true;
    QTest::newRow("tried today") << 60 << today << false << false << false;
    QTest::newRow("tried yesterday") << 60 << yesterday << false << false << true;
    QTest::newRow("record unreadable") << 60 << "yesterday-ish\x01" << false << false << true;
    QTest::newRow("record is a folder") << 60 << "<dir>" << false << false << true;
    QTest::newRow("fixed file") << 60 << QString() << true << false << false;
    QTest::newRow("forced, recent, tried today") << 5 << today << false << true << true;
}

void TestBootstrapRefresh::due() {
    QFETCH(int, age);
    QFETCH(QString, record);
    QFETCH(bool, fixedFile);
    QFETCH(bool, force);
    QFETCH(bool, asked);
    test::RdapServer server(kAddress, {{"dns.json", listOf(daysAgo(1))}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(server);
    qputenv(kBootstrapUrlEnv, (server.baseUrl() + QStringLiteral("dns.json")).toUtf8());
    shipList(daysAgo(age));
    QVERIFY(QDir().mkpath(QFileInfo(refreshRecordPath()).path()));
    if (record == u"<dir>")
        QVERIFY(QDir().mkpath(refreshRecordPath()));
    else if (!record.isEmpty())
        QVERIFY(test::writeTextFile(refreshRecordPath(), record));
    QTemporaryDir fixed;
    if (fixedFile) {
        QVERIFY(test::writeTextFile(fixed.filePath("list.json"),
                                    QString::fromUtf8(listOf(daysAgo(60)))));
        qputenv("NOMISPOT_RDAP_BOOTSTRAP", QFile::encodeName(fixed.filePath("list.json")));
    }

    QCOMPARE(automaticRefreshDue(m_dataDir.path()), asked && !force);
    if (fixedFile)
        return; // the programs never start one
    const BootstrapRefreshOutcome outcome = refresh(force);
    QCOMPARE(server.requests().size(), std::size_t(asked ? 1 : 0));
    QCOMPARE(outcome.kind,
             asked ? BootstrapRefreshOutcome::Refreshed : BootstrapRefreshOutcome::NotTried);
    QCOMPARE(refreshSummary(outcome).isEmpty(), !asked);
}

QTEST_GUILESS_MAIN(TestBootstrapRefresh)
#include "tst_bootstrap_refresh.moc"
