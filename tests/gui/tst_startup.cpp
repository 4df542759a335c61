#include "catalogue/catalogue_file.h"
#include "help/help_module.h"
#include "names/frm_main.h"
#include "names/startup.h"
#include "results/frm_results.h"
#include "settings/frm_options_first.h"
#include "settings/settings_ops.h"
#include "settings/system_resolver.h"
#include "test_app.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace nomispot;

namespace {

// Runs f on the first-run wizard once it is up, then closes it by its frame.
void whenWizardShows(const std::function<void(frmOptionsFirst*)>& f) {
    QTimer::singleShot(0, [f] {
        auto* wizard = qobject_cast<frmOptionsFirst*>(QApplication::activeModalWidget());
        QVERIFY(wizard);
        f(wizard);
        wizard->close();
    });
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void firstRun_data();
    void firstRun();
    void firstRunWithoutHelpFile();
    void brokenRegistrationRules();
    void laterRun();
    void missingDataFile();
    void closingMainWindowEndsEverything();
};

void TestStartup::firstRun_data() {
    QTest::addColumn<QByteArray>("resolvConf");
    QTest::addColumn<QString>("nameserver");
    QTest::newRow("the system's resolver")
        << QByteArray("search lan\nnameserver 192.0.2.53\n") << "192.0.2.53";
    QTest::newRow("no system resolver")
        << QByteArray("# no nameserver\n") << QString::fromLatin1(kPlaceholderNameserver);
}

void TestStartup::firstRun() {
    QFETCH(QByteArray, resolvConf);
    QFETCH(QString, nameserver);

    test::TestApp app;
    const QString resolvPath = app.dir.filePath(QStringLiteral("resolv.conf"));
    QFile resolv(resolvPath);
    QVERIFY(resolv.open(QIODevice::WriteOnly) && resolv.write(resolvConf) == resolvConf.size());
    resolv.close();
    qputenv(kResolvConfEnv, resolvPath.toLocal8Bit());
    const auto restoreEnv = qScopeGuard([] { qunsetenv(kResolvConfEnv); });

    frmMain window(app.state);
    QMap<QString, QString> storedAtWizard;
    QString prefilled;
    int domainKeys = 0;
    whenWizardShows([&](frmOptionsFirst* wizard) {
        prefilled = wizard->findChild<QLineEdit*>(QStringLiteral("txtDNSserver"))->text();
        const auto store = app.reopenStore();
        for (const char* key : {"init", "domains", "dns", "retries", "delay"})
            storedAtWizard[key] = store->read("main", key, "<absent>");
        QSettings ini(app.settingsPath(), QSettings::IniFormat);
        ini.beginGroup("domains");
        domainKeys = int(ini.childKeys().size());
        for (const QString& k : ini.childKeys())
            QCOMPARE(ini.value(k).toString(), QStringLiteral("0"));
    });
    QVERIFY(StartUp(window, app.state));

    QCOMPARE(storedAtWizard, (QMap<QString, QString>{{"init", "False"},
                                                     {"domains", "default"},
                                                     {"dns", nameserver},
                                                     {"retries", "3"},
                                                     {"delay", "50"}}));
    QCOMPARE(prefilled, nameserver);
    QVERIFY(domainKeys > 250);
    QVERIFY(app.messages.messages.empty());
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("Nomispot1.1 from Brixmoor"));
    QVERIFY(window.findChild<QRadioButton*>("checkmode(0)")->isChecked());
    QVERIFY(window.findChild<QLineEdit*>("names")->text().isEmpty());
    QVERIFY(!window.isRunActive());
    // The wizard closed by its frame leaves the first-run values; the next start is a later run.
    QVERIFY(!isFirstRun(*app.reopenStore()));
}

// A broken table of registration rules: said once at start, and the hyphen rules alone apply.
void TestStartup::brokenRegistrationRules() {
    test::TestApp app;
    QVERIFY(QFile::copy(catalogueFilePath(test::binDir()), catalogueFilePath(app.dir.path())));
    QFile rules(app.dir.filePath(QStringLiteral("registration-rules.tsv")));
    QVERIFY(rules.open(QIODevice::WriteOnly));
    rules.write("rule\tcom\tsecond-level=a\n");
    rules.close();
    app.state.dataDir = app.dir.path();
    frmMain window(app.state);
    whenWizardShows([](frmOptionsFirst*) {});
    QVERIFY(StartUp(window, app.state));
    // Then the first run's word on the missing help file.
    QCOMPARE(app.messages.texts().size(), 2);
    QVERIFY2(app.messages.texts()[0].contains(QStringLiteral("cannot be used: line 1")) &&
                 app.messages.texts()[0].contains(QStringLiteral("Only the rules on hyphens")),
             qPrintable(app.messages.texts()[0]));
    QVERIFY(window.isVisible());
    QCOMPARE(app.state.registrationRules.reservationCount(), 0);
    QVERIFY(app.state.registrationRules.beforeAsking(u"-a.com"));
}

void TestStartup::firstRunWithoutHelpFile() {
    test::TestApp app;
    // A program directory with the data files but no help file.
    QVERIFY(QFile::copy(catalogueFilePath(test::binDir()), catalogueFilePath(app.dir.path())));
    QVERIFY(QFile::copy(test::binDir() + QStringLiteral("/registration-rules.tsv"),
                        app.dir.filePath(QStringLiteral("registration-rules.tsv"))));
    app.state.dataDir = app.dir.path();
    frmMain window(app.state);
    bool wizardShown = false;
    whenWizardShows([&](frmOptionsFirst*) { wizardShown = true; });
    QVERIFY(StartUp(window, app.state));
    QCOMPARE(app.messages.texts(), QStringList{helpNotInstalledMessage()});
    QCOMPARE(app.messages.messages[0].icon, MessageIcon::Critical);
    QVERIFY(wizardShown);
    QVERIFY(window.isVisible());
}

void TestStartup::laterRun() {
    test::TestApp app;
    app.store->write("main", "init", "False");
    app.store->write("main", "dns", "192.0.2.53");
    app.store->write("main", "delay", "20");
    app.store->write("main", "retries", "5");
    app.store->write("main", "domains", "user");
    app.store->write("domains", "net", "1");
    app.store->write("domains", "uk", "2");
    app.store->flush();

    frmMain window(app.state);
    bool wizard = false;
    QTimer::singleShot(0, [&] { wizard = QApplication::activeModalWidget() != nullptr; });
    QVERIFY(StartUp(window, app.state));
    QVERIFY(!wizard);
    QCOMPARE(app.state.dns, (DnsSettings{"192.0.2.53", 20, 5}));
    QCOMPARE(app.state.searchSet, SearchSet::Selection);
    const TldCatalogue& cat = app.state.catalogue;
    QCOMPARE(cat[FindTldIndex(cat, "net")].selected, 1);
    QCOMPARE(cat[FindTldIndex(cat, "uk")].selected, 2);
    QCOMPARE(CountSelected(cat), 1);
    QVERIFY(app.messages.messages.empty());
}

void TestStartup::missingDataFile() {
    test::TestApp app;
    QTemporaryDir emptyDataDir;
    app.state.dataDir = emptyDataDir.path();
    frmMain window(app.state);
    QVERIFY(!StartUp(window, app.state));
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    QCOMPARE(app.messages.messages[0].title, QStringLiteral("Nomispot load error."));
    QCOMPARE(app.messages.messages[0].text, missingCatalogueMessage(emptyDataDir.path()));
    QCOMPARE(app.messages.messages[0].icon, MessageIcon::Critical);
    QVERIFY(!window.isVisible());
    // Nothing was written: the next start is still a first run.
    QVERIFY(!QFile::exists(app.settingsPath()));
}

void TestStartup::closingMainWindowEndsEverything() {
    test::TestApp app;
    app.store->write("main", "init", "False");
    app.store->flush();
    frmMain window(app.state);
    QVERIFY(StartUp(window, app.state));
    app.state.dns = {QStringLiteral("127.0.0.1"), 1000, 3};
    QTest::keyClicks(window.findChild<QLineEdit*>("names"), "foo");
    QTest::mouseClick(window.findChild<QPushButton*>("activate"), Qt::LeftButton);
    QPointer<frmResults> results = window.results();
    QVERIFY(results && results->isVisible());
    window.close();
    QTRY_VERIFY(!results);
    QVERIFY(!window.isRunActive());
    // Nothing is written on the way out.
    QCOMPARE(app.reopenStore()->read("main", "dns", "<absent>"), QStringLiteral("<absent>"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
