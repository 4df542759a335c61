#include "app_dirs.h"
#include "names/frm_main.h"
#include "nsd_server.h"
#include "rdap_server.h"
#include "results/frm_registry_lookup.h"
#include "results/frm_results.h"
#include "test_app.h"
#include "whois_server.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>

using namespace nomispot;

namespace {

const QString kNameserver = QStringLiteral("127.53.0.21");
const QString kRegistry = QStringLiteral("127.0.0.66");
const QString kWhois = QStringLiteral("127.0.0.67");

QByteArray registered(const char* name) {
    return test::rdapDomainJson(QString::fromLatin1(name), QStringLiteral("Example Registrar"),
                                QStringLiteral("2020-01-01T00:00:00Z"),
                                QStringLiteral("2030-01-01T00:00:00Z"));
}

// A registered name as the WHOIS servers of generic TLDs write it.
QByteArray registeredWhois(const char* name) {
    return QByteArray("   Domain Name: ") + QByteArray(name).toUpper() +
           "\r\n   Registry Expiry Date: 2031-02-03T04:05:06Z\r\n"
           "   Registrar: Example Registrar\r\n"
           "   Domain Status: pendingDelete https://icann.org/epp#pendingDelete\r\n"
           ">>> Last update of whois database: 2026-12-11T08:00:00Z <<<\r\n";
}

} // namespace

// held.com is registered but not in the zone; the registry for com knows taken.com too, and
// answers over RDAP. The registry for net answers over WHOIS only: held.net and taken.net are
// registered there. No registry is known for the other TLDs of the built-in list.
class TestRegistryLookup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void whoisLookup();
    void hugeHostileAnswer();
    void displayTakenNamesOfRow();
    void confirmFreeNames();
    void cancelConfirmation();
    void lookUpAndConfirmationTakeTurns();
    void confirmRefreshesFirst_data();
    void confirmRefreshesFirst();

private:
    // A finished run of "held free taken" on com and net.
    struct Run {
        test::TestApp app;
        std::unique_ptr<frmMain> window;
        QPointer<frmResults> results;
        QAction* action(const char* name) const { return results->findChild<QAction*>(name); }
    };
    bool finishRun(Run& run);
    frmRegistryLookup* lookupWindow(const Run& run) const;

    std::unique_ptr<test::NsdServer> m_nsd;
    std::unique_ptr<test::RdapServer> m_registry;
    std::unique_ptr<test::LoopbackWhois> m_whois;
    QTemporaryDir m_dir;
};

void TestRegistryLookup::initTestCase() {
    m_nsd = std::make_unique<test::NsdServer>(kNameserver, test::NsdServer::standardZones());
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_nsd);
}

void TestRegistryLookup::init() {
    // A fresh registry each time: its log tells what one test asked.
    m_registry.reset();
    m_registry = std::make_unique<test::RdapServer>(
        kRegistry, QMap<QString, QByteArray>{{"held.com.json", registered("held.com")},
                                             {"taken.com.json", registered("taken.com")},
                                             {"slow.com.slow", "3"}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_registry);
    const QString bootstrap = m_dir.filePath(QStringLiteral("rdap-dns.json"));
    QVERIFY(test::writeRdapBootstrap(bootstrap, {{"com", m_registry->baseUrl()}}));
    qputenv("NOMISPOT_RDAP_BOOTSTRAP", bootstrap.toLocal8Bit());
    m_whois.reset();
    m_whois = std::make_unique<test::LoopbackWhois>(
        kWhois,
        QMap<QString, QByteArray>{{"held.net", registeredWhois("held.net")},
                                  {"taken.net", registeredWhois("taken.net")}},
        1.0);
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_whois);
    const QString whoisTable = m_dir.filePath(QStringLiteral("whois-servers.tsv"));
    QFile table(whoisTable);
    QVERIFY(table.open(QIODevice::WriteOnly) &&
            table.write(test::whoisServersTable({{"net", kWhois}})) > 0);
    table.close();
    qputenv("NOMISPOT_WHOIS_SERVERS", QFile::encodeName(whoisTable));
}

bool TestRegistryLookup::finishRun(Run& run) {
    run.app.state.catalogue = test::makeCatalogue(
        {"com;Commercial;https://com.example;", "net;Network;;", "co.uk;United Kingdom;;"});
    run.app.state.dns = {kNameserver, 2, 1};
    run.window = std::make_unique<frmMain>(run.app.state);
    run.window->findChild<QLineEdit*>("names")->setText(QStringLiteral("held free taken slow"));
    QTest::mouseClick(run.window->findChild<QPushButton*>("activate"), Qt::LeftButton);
    run.results = run.window->results();
    return run.results &&
           QTest::qWaitFor([&run] { return run.results->stage() == frmResults::Stage::Finished; },
                           20000);
}

frmRegistryLookup* TestRegistryLookup::lookupWindow(const Run& run) const {
    const auto windows = run.results->findChildren<frmRegistryLookup*>();
    return windows.size() == 1 ? windows.front() : nullptr;
}

void TestRegistryLookup::whoisLookup() {
    Run run;
    QVERIFY(finishRun(run));
    // taken.com: its registry is known.
    run.results->openPopup(1, 3);
    QVERIFY(run.action("mnuWhois")->isVisible());
    QVERIFY(run.action("mnuWhois")->isEnabled());
    QCOMPARE(run.action("mnuWhois")->text(), QStringLiteral("WHOIS lookup"));
    run.action("mnuWhois")->trigger();
    run.results->popupMenu()->close();
    frmRegistryLookup* window = lookupWindow(run);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    auto* words = window->findChild<QPlainTextEdit*>("txtAnswer");
    QTRY_COMPARE_WITH_TIMEOUT(words->toPlainText(),
                              QStringLiteral("taken.com is registered.\n"
                                             "Registrar: Example Registrar\n"
                                             "Registered: 2020-01-01\nExpires: 2030-01-01\n"
                                             "Status: client hold, client transfer prohibited\n"
                                             "Name servers: ns1.example.net\n"
                                             "(The registry answered over plain http, "
                                             "unencrypted.)"),
                              10000);
    // The JSON behind a button.
    auto* json = window->findChild<QPlainTextEdit*>("txtJson");
    QVERIFY(!json->isVisible());
    window->findChild<QPushButton*>("butJson")->click();
    QVERIFY(json->isVisible());
    QVERIFY(json->toPlainText().contains(QStringLiteral("\"objectClassName\": \"domain\"")));
    const QPointer<frmRegistryLookup> closed(window);
    window->close();
    QTRY_VERIFY(!closed);

    // taken.net: its registry answers over WHOIS, and the text it sent is behind the button.
    run.results->openPopup(2, 3);
    QVERIFY(run.action("mnuWhois")->isEnabled());
    run.action("mnuWhois")->trigger();
    run.results->popupMenu()->close();
    window = lookupWindow(run);
    QVERIFY(window);
    words = window->findChild<QPlainTextEdit*>("txtAnswer");
    QTRY_COMPARE_WITH_TIMEOUT(words->toPlainText(),
                              QStringLiteral("taken.net is registered.\n"
                                             "Registrar: Example Registrar\n"
                                             "Expires: 2031-02-03\n"
                                             "Status: pendingDelete\n"
                                             "May become free soon: the registration is ending."),
                              10000);
    window->findChild<QPushButton*>("butJson")->click();
    const QString sent = window->findChild<QPlainTextEdit*>("txtJson")->toPlainText();
    QVERIFY2(sent.startsWith(QStringLiteral("// taken.net (WHOIS)\n")) &&
                 sent.contains(QStringLiteral("Domain Name: TAKEN.NET\n")),
             qPrintable(sent));
    window->close();

    // taken.org: no registry known for org.
    run.results->openPopup(3, 3);
    QVERIFY(run.action("mnuWhois")->isVisible());
    QVERIFY(!run.action("mnuWhois")->isEnabled());
    QCOMPARE(run.action("mnuWhois")->text(), QStringLiteral("No registry look-up known for .org"));
    run.results->popupMenu()->close();
}

// A registry's 3.9 MB status with terminal escapes: the window shows it cleaned and bounded, and
// answers Esc.
void TestRegistryLookup::hugeHostileAnswer() {
    const QByteArray huge =
        R"({"objectClassName": "domain", "ldhName": "taken.com", "status": ["\u001b]0;owned\u0007)" +
        QByteArray(3'900'000, 'x') + R"("]})";
    m_registry.reset();
    m_registry = std::make_unique<test::RdapServer>(
        kRegistry, QMap<QString, QByteArray>{{"taken.com.json", huge}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_registry);
    Run run;
    QVERIFY(finishRun(run));
    run.results->openPopup(1, 3);
    run.action("mnuWhois")->trigger();
    run.results->popupMenu()->close();
    frmRegistryLookup* window = lookupWindow(run);
    QVERIFY(window);
    auto* words = window->findChild<QPlainTextEdit*>("txtAnswer");
    QTRY_VERIFY_WITH_TIMEOUT(words->toPlainText().startsWith(u"taken.com is registered."), 10000);
    window->findChild<QPushButton*>("butJson")->click();
    const QString json = window->findChild<QPlainTextEdit*>("txtJson")->toPlainText();
    for (const QString& text : {words->toPlainText(), json}) {
        QVERIFY(!text.contains(u'\x1b') && !text.contains(u'\x07'));
        const QStringList lines = text.split(u'\n');
        QVERIFY(std::all_of(lines.begin(), lines.end(),
                            [](const QString& line) { return line.size() <= 1000; }));
    }
    QVERIFY(words->toPlainText().size() < 1000);
    QVERIFY2(json.size() < 300'000, qPrintable(QString::number(json.size())));
    QVERIFY(json.endsWith(u"more bytes not shown)"));
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(lookupWindow(run) == nullptr || !lookupWindow(run)->isVisible());
}

void TestRegistryLookup::displayTakenNamesOfRow() {
    Run run;
    QVERIFY(finishRun(run));
    run.results->openPopup(2, 2); // free.net: its row has no taken name
    QVERIFY(!run.action("mnuDisplay")->isVisible());
    run.results->popupMenu()->close();

    run.results->openPopup(2, 3); // taken.net
    QVERIFY(run.action("mnuDisplay")->isVisible());
    QCOMPARE(run.action("mnuDisplay")->text(), QStringLiteral("Display info on 2 domains"));
    run.action("mnuDisplay")->trigger();
    run.results->popupMenu()->close();
    frmRegistryLookup* window = lookupWindow(run);
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(window->isComplete(), 10000);
    const QString words = window->findChild<QPlainTextEdit*>("txtAnswer")->toPlainText();
    QVERIFY2(words.startsWith(QStringLiteral("taken.com is registered.\nRegistrar: Example")),
             qPrintable(words));
    QVERIFY2(words.contains(QStringLiteral("\n\ntaken.net is registered.\n")), qPrintable(words));
    // The cell keeps what its registry said: when the name may come free.
    const ResultGridModel& grid = run.results->gridModel();
    QCOMPARE(grid.data(grid.index(2, 0), Qt::ToolTipRole).toString(),
             QStringLiteral("taken.com is taken; expires 2030-01-01"));
    QCOMPARE(run.results->candidates().at(1, 3).registrySource, RegistrySource::Rdap);
    QCOMPARE(grid.data(grid.index(2, 1), Qt::ToolTipRole).toString(),
             QStringLiteral("taken.net is taken; may become free soon (pendingDelete); expires "
                            "2031-02-03"));
    QCOMPARE(run.results->candidates().at(2, 3).registrySource, RegistrySource::Whois);

    window->close();
}

void TestRegistryLookup::confirmFreeNames() {
    Run run;
    QVERIFY(finishRun(run));
    const CheckTable& table = run.results->candidates();
    QCOMPARE(table.at(1, 1).state, CheckState::Available); // held.com: not in the zone
    run.action("mnuConfirm")->trigger();
    QCOMPARE(run.results->stage(), frmResults::Stage::Confirming);
    QVERIFY(!run.results->findChild<QMenu*>("mnuEdit")->isEnabled()); // as during a run
    QTRY_COMPARE_WITH_TIMEOUT(run.results->stage(), frmResults::Stage::Finished, 20000);

    const ResultGridModel& grid = run.results->gridModel();
    QCOMPARE(table.at(1, 1).state, CheckState::Unavailable);
    QCOMPARE(grid.pictureAt(1, 1), ResultGridModel::Cross);
    QCOMPARE(grid.data(grid.index(0, 0), Qt::ToolTipRole).toString(),
             QStringLiteral("held.com is taken: registered, not in DNS; expires 2030-01-01"));
    QCOMPARE(grid.pictureAt(1, 2), ResultGridModel::ConfirmedCheck);
    QCOMPARE(grid.data(grid.index(1, 0), Qt::ToolTipRole).toString(),
             QStringLiteral("free.com is available, confirmed by its registry"));
    // net over WHOIS: held.net is registered, free.net confirmed.
    QCOMPARE(grid.pictureAt(2, 1), ResultGridModel::Cross);
    QCOMPARE(grid.data(grid.index(0, 1), Qt::ToolTipRole).toString(),
             QStringLiteral("held.net is taken: registered, not in DNS; may become free soon "
                            "(pendingDelete); expires 2031-02-03"));
    QCOMPARE(grid.pictureAt(2, 2), ResultGridModel::ConfirmedCheck);
    QCOMPARE(grid.pictureAt(1, 3), ResultGridModel::Cross); // taken in the DNS: not asked
    const QString summary = run.results->summary();
    QVERIFY2(summary.contains(QStringLiteral("Registries: 4 free confirmed, 2 registered but not "
                                             "in DNS, 1 taken may become free soon.")),
             qPrintable(summary));
    QCOMPARE(run.results->findChild<QPushButton*>("butCancelOk")->text(), QStringLiteral("Close"));
}

void TestRegistryLookup::cancelConfirmation() {
    Run run;
    QVERIFY(finishRun(run));
    // slow.com answers after 3 s; Cancel stops the confirmation, not the window.
    run.action("mnuConfirm")->trigger();
    QCOMPARE(run.results->stage(), frmResults::Stage::Confirming);
    QTest::qWait(300);
    run.results->findChild<QPushButton*>("butCancelOk")->click();
    QCOMPARE(run.results->stage(), frmResults::Stage::Finished);
    QVERIFY(run.results->isVisible());
    QCOMPARE(run.results->candidates().at(1, 4).registry, RegistryAnswer::NotAsked);
    QCOMPARE(run.results->candidates().at(1, 4).state, CheckState::Available);
}

// A look-up window and a confirmation ask through the program's one client: a WHOIS host never
// gets two questions within its interval (2 s), whoever asks them.
void TestRegistryLookup::lookUpAndConfirmationTakeTurns() {
    Run run;
    QVERIFY(finishRun(run));
    run.results->openPopup(2, 3); // taken.net, over WHOIS
    run.action("mnuWhois")->trigger();
    run.results->popupMenu()->close();
    frmRegistryLookup* window = lookupWindow(run);
    QVERIFY(window);
    run.action("mnuConfirm")->trigger(); // held.net, free.net and slow.net, on the same host
    QTRY_COMPARE_WITH_TIMEOUT(run.results->stage(), frmResults::Stage::Finished, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(window->isComplete(), 10000);
    QTRY_COMPARE(m_whois->events().size(), std::size_t(8)); // the last end is logged after ours
    std::vector<double> asked;
    for (const test::LoopbackWhois::Event& event : m_whois->events())
        if (!event.done)
            asked.push_back(event.seconds);
    QCOMPARE(asked.size(), std::size_t(4));
    for (std::size_t i = 1; i < asked.size(); ++i)
        QVERIFY2(asked[i] - asked[i - 1] >= 2.0,
                 qPrintable(QString::number(asked[i] - asked[i - 1])));
    QCOMPARE(run.results->candidates().at(2, 2).registry, RegistryAnswer::NotFound); // free.net
}

void TestRegistryLookup::confirmRefreshesFirst_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("refreshed") << false;
    QTest::newRow("cancelled while refreshing") << true;
}

// The shipped list is over a month old: a confirmation fetches a newer one first, the window
// staying responsive; Cancel stops it before any registry is asked.
void TestRegistryLookup::confirmRefreshesFirst() {
    QFETCH(bool, cancel);
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    // Its com registry is plain http, which a saved list may not use: no registry is asked over
    // RDAP, and net goes to the loopback WHOIS server.
    const QByteArray newer =
        "{\"publication\": \"" + today.toLatin1() + "T00:00:00Z\", \"services\": [[[\"com\"], [\"" +
        m_registry->baseUrl().toLatin1() + "\"]], [[\"example\"], [\"https://rdap.example/\"]]]}";
    test::RdapServer iana(QStringLiteral("127.0.0.93"),
                          {{"dns.json", newer}, {"dns.json.slow", cancel ? "5" : "0.2"}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(iana);
    // No saved list or record of a try from before, in the folder the test's window uses.
    QStandardPaths::setTestModeEnabled(true);
    const QString data = userDataDir();
    QVERIFY(!data.isEmpty() && QDir(data).removeRecursively());
    qunsetenv("NOMISPOT_RDAP_BOOTSTRAP");
    qputenv("NOMISPOT_RDAP_BOOTSTRAP_URL", (iana.baseUrl() + "dns.json").toUtf8());
    const auto restore = qScopeGuard([data] {
        qunsetenv("NOMISPOT_RDAP_BOOTSTRAP_URL");
        QDir(data).removeRecursively();
    });

    Run run;
    QVERIFY(finishRun(run));
    run.action("mnuConfirm")->trigger();
    QCOMPARE(run.results->stage(), frmResults::Stage::Confirming);
    if (cancel) {
        QTRY_COMPARE_WITH_TIMEOUT(iana.requests().size(), std::size_t(1), 5000);
        run.results->findChild<QPushButton*>("butCancelOk")->click();
        QCOMPARE(run.results->stage(), frmResults::Stage::Finished);
        QTest::qWait(300); // nothing follows the cancel
        QCOMPARE(run.results->stage(), frmResults::Stage::Finished);
        QVERIFY(!run.results->summary().contains(QStringLiteral("Registry list")));
        QCOMPARE(run.results->candidates().at(2, 2).registry, RegistryAnswer::NotAsked);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(run.results->stage(), frmResults::Stage::Finished, 20000);
    const QString summary = run.results->summary();
    QVERIFY2(summary.endsWith(QStringLiteral("Registry list refreshed: %1.").arg(today)),
             qPrintable(summary));
    QVERIFY(QFile::exists(data + QStringLiteral("/rdap-dns.json")));
    QVERIFY(m_registry->requests().empty());
    QCOMPARE(run.results->candidates().at(2, 2).registry, RegistryAnswer::NotFound); // free.net
}

QTEST_MAIN(TestRegistryLookup)
#include "tst_registry_lookup.moc"
