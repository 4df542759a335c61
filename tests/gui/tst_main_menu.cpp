#include "catalogue/frm_domains.h"
#include "help/frm_about.h"
#include "help/help_file.h"
#include "help/help_window.h"
#include "names/frm_main.h"
#include "names/main_menu.h"
#include "settings/frm_options.h"
#include "settings/settings_ops.h"
#include "test_app.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>

using namespace nomispot;

namespace {

// The main window with its menu bar, on a test settings file.
struct MainWindow {
    MainWindow() : window(app.state) {
        markFirstRunDone(*app.store);
        if (!window.findChild<QMenu*>(QStringLiteral("mnuFile")))
            installMainMenu(window, app.state);
    }
    QAction* action(const char* name) const {
        return window.findChild<QAction*>(QString::fromLatin1(name));
    }
    QMenu* menu(const char* name) const {
        return window.findChild<QMenu*>(QString::fromLatin1(name));
    }
    // Object names of the entries of a menu, in display order.
    QStringList entries(const QWidget* menu) const {
        QStringList names;
        for (const QAction* a : menu->actions())
            names << a->objectName();
        return names;
    }

    test::TestApp app;
    frmMain window;
};

// Runs check on the next modal dialog to appear, then closes it.
void onModal(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        check(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    });
}

} // namespace

class TestMainMenu : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void menuBarOrder();
    void captions_data();
    void captions();
    void exitEndsTheProgram();
    void exitKeys_data();
    void exitKeys();
    void webEntries_data();
    void webEntries();
    void dnsSettingsSavesThenOpensOneDialog();
    void domainsDialogIsModal();
    void aboutBoxIsModal();
    void helpContentsOpensMain();
    void f1OpensHelp();
    void helpContentsWithoutHelpFile();
};

void TestMainMenu::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(helpCollectionPath());
}

void TestMainMenu::cleanup() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<HelpWindow*>(w))
            delete w;
}

void TestMainMenu::menuBarOrder() {
    MainWindow main;
    QCOMPARE(main.window.menuBar()->actions().size(), 3);
    QCOMPARE(main.entries(main.window.menuBar()),
             (QStringList{"mnuFile", "mnuOptions", "mnuHelp"}));
    QCOMPARE(main.entries(main.menu("mnuFile")),
             (QStringList{"mnuOpenNames", "fileBreak", "mnuExit"}));
    QCOMPARE(main.entries(main.menu("mnuOptions")),
             (QStringList{"mnuServer", "mnuDomains", "mnuZoneFiles"}));
    QCOMPARE(
        main.entries(main.menu("mnuHelp")),
        (QStringList{"mnuHelpIndex", "break", "mnuHomepage", "mnuSites", "break2", "mnuAbout"}));
    QVERIFY(main.action("break")->isSeparator());
    QVERIFY(main.action("break2")->isSeparator());
    QCOMPARE(main.entries(main.menu("mnuSites")),
             (QStringList{"mnuWebMou", "mnuISOC", "mnuIETF", "mnuIANA"}));
}

void TestMainMenu::captions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("accessKey");
    QTest::addColumn<QKeySequence>("shortcut");

    const auto alt = [](Qt::Key key) { return QKeySequence(Qt::ALT | key); };
    QTest::newRow("File") << "mnuFile"
                          << "&File " << alt(Qt::Key_F) << QKeySequence();
    QTest::newRow("Open Names") << "mnuOpenNames"
                                << "&Open Names..." << alt(Qt::Key_O)
                                << QKeySequence(QKeySequence::Open);
    QTest::newRow("Exit") << "mnuExit"
                          << "E&xit" << alt(Qt::Key_X) << QKeySequence(Qt::CTRL | Qt::Key_X);
    QTest::newRow("Options") << "mnuOptions"
                             << "&Options" << alt(Qt::Key_O) << QKeySequence();
    QTest::newRow("DNS Settings") << "mnuServer"
                                  << "DNS &Settings" << alt(Qt::Key_S) << QKeySequence();
    QTest::newRow("Domains") << "mnuDomains"
                             << "D&omains to search" << alt(Qt::Key_O) << QKeySequence();
    QTest::newRow("Zone Files") << "mnuZoneFiles"
                                << "&Zone Files..." << alt(Qt::Key_Z) << QKeySequence();
    QTest::newRow("Help") << "mnuHelp"
                          << "&Help" << alt(Qt::Key_H) << QKeySequence();
    QTest::newRow("Help Contents")
        << "mnuHelpIndex"
        << "&Help Contents" << alt(Qt::Key_H) << QKeySequence(QKeySequence::HelpContents);
    QTest::newRow("homepage") << "mnuHomepage"
                              << "Nomispot home&page" << alt(Qt::Key_P) << QKeySequence();
    QTest::newRow("Useful Websites") << "mnuSites"
                                     << "&Useful Websites" << alt(Qt::Key_U) << QKeySequence();
    QTest::newRow("gTLD-MoU") << "mnuWebMou"
                              << "gTLD-Mou (Top Level Domains)" << QKeySequence() << QKeySequence();
    QTest::newRow("ISOC") << "mnuISOC"
                          << "ISOC (The Internet Society)" << QKeySequence() << QKeySequence();
    QTest::newRow("IETF") << "mnuIETF"
                          << "IETF (Internet Engineering Taskforce)" << QKeySequence()
                          << QKeySequence();
    QTest::newRow("IANA") << "mnuIANA"
                          << "IANA (Internet Assigned Numbers Authority)" << QKeySequence()
                          << QKeySequence();
    QTest::newRow("About") << "mnuAbout"
                           << "&About Nomispot" << alt(Qt::Key_A) << QKeySequence();
}

void TestMainMenu::captions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, accessKey);
    QFETCH(QKeySequence, shortcut);

    MainWindow main;
    QAction* action = main.action(qPrintable(name));
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), caption);
    QCOMPARE(QKeySequence::mnemonic(action->text()), accessKey);
    QCOMPARE(action->shortcut(), shortcut);
    if (QMenu* menu = main.menu(qPrintable(name)))
        QCOMPARE(menu->title(), caption);
}

void TestMainMenu::exitEndsTheProgram() {
    MainWindow main;
    main.window.show();
    main.action("mnuExit")->trigger();
    QVERIFY(!main.window.isVisible());
}

void TestMainMenu::exitKeys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QKeySequence>("key");
    QTest::newRow("Ctrl+X") << "activate" << QKeySequence(Qt::CTRL | Qt::Key_X);
    QTest::newRow("Ctrl+Q") << "activate" << QKeySequence(Qt::CTRL | Qt::Key_Q);
    QTest::newRow("Ctrl+Q in the names box") << "names" << QKeySequence(Qt::CTRL | Qt::Key_Q);
}

// With no results to lose, each key ends the program at once.
void TestMainMenu::exitKeys() {
    QFETCH(QString, focus);
    QFETCH(QKeySequence, key);
    MainWindow main;
    QVERIFY(main.action("mnuExit")->shortcuts().contains(key));
    main.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&main.window));
    auto* target = main.window.findChild<QWidget*>(focus);
    target->setFocus();
    QTest::keySequence(target, key);
    QVERIFY(!main.window.isVisible());
    QVERIFY(main.app.messages.questions.empty());
}

void TestMainMenu::webEntries_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::newRow("homepage") << "mnuHomepage"
                              << "https://www.brixmoor.com";
    QTest::newRow("gTLD-MoU") << "mnuWebMou"
                              << "https://web.archive.org/web/1998/http://www.gtld-mou.org/";
    QTest::newRow("ISOC") << "mnuISOC"
                          << "https://www.internetsociety.org";
    QTest::newRow("IETF") << "mnuIETF"
                          << "https://www.ietf.org";
    QTest::newRow("IANA") << "mnuIANA"
                          << "https://www.iana.org";
}

void TestMainMenu::webEntries() {
    QFETCH(QString, name);
    QFETCH(QString, address);
    MainWindow main;
    main.action(qPrintable(name))->trigger();
    QCOMPARE(main.app.shell.targets, QStringList{address});
    main.action(qPrintable(name))->trigger();
    QCOMPARE(main.app.shell.targets, (QStringList{address, address}));
    QVERIFY(main.app.messages.messages.empty());
}

void TestMainMenu::dnsSettingsSavesThenOpensOneDialog() {
    MainWindow main;
    main.window.show();
    main.app.state.dns = DnsSettings{QStringLiteral("ns.menu.example"), 77, 4};

    main.action("mnuServer")->trigger();
    const auto store = main.app.reopenStore();
    QCOMPARE(store->read(QStringLiteral("main"), QStringLiteral("dns"), QString()),
             QStringLiteral("ns.menu.example"));
    QCOMPARE(store->read(QStringLiteral("main"), QStringLiteral("delay"), QString()),
             QStringLiteral("77"));
    QCOMPARE(store->read(QStringLiteral("main"), QStringLiteral("retries"), QString()),
             QStringLiteral("4"));

    QPointer<frmOptions> dialog = main.window.findChild<frmOptions*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());

    // A second choice brings the same dialog back, whatever happened to it meanwhile.
    dialog->showMinimized();
    main.action("mnuServer")->trigger();
    QCOMPARE(main.window.findChildren<frmOptions*>().size(), 1);
    QCOMPARE(main.window.findChild<frmOptions*>(), dialog.data());
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isMinimized());

    // Once closed, the next choice opens a fresh one.
    dialog->close();
    QTRY_VERIFY(!dialog);
    main.action("mnuServer")->trigger();
    QCOMPARE(main.window.findChildren<frmOptions*>().size(), 1);
    QVERIFY(main.window.findChild<frmOptions*>()->isVisible());
}

void TestMainMenu::domainsDialogIsModal() {
    MainWindow main;
    main.window.show();
    bool seen = false;
    onModal([&seen](QWidget* modal) { seen = qobject_cast<frmDomains*>(modal) != nullptr; });
    main.action("mnuDomains")->trigger();
    QVERIFY(seen);
    QVERIFY(!main.window.findChild<frmDomains*>());
}

void TestMainMenu::aboutBoxIsModal() {
    MainWindow main;
    main.window.show();
    QString caption;
    onModal([&caption](QWidget* modal) {
        if (qobject_cast<frmAbout*>(modal))
            caption = modal->windowTitle();
    });
    main.action("mnuAbout")->trigger();
    QCOMPARE(caption, QStringLiteral("About Nomispot"));
    QVERIFY(!main.window.findChild<frmAbout*>());
}

void TestMainMenu::f1OpensHelp() {
    MainWindow main;
    main.window.show();
    main.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main.window));
    QTest::keyClick(&main.window, Qt::Key_F1);
    QTRY_VERIFY(main.window.findChild<HelpWindow*>() &&
                main.window.findChild<HelpWindow*>()->isVisible());
}

void TestMainMenu::helpContentsOpensMain() {
    MainWindow main;
    main.window.show();
    main.action("mnuHelpIndex")->trigger();

    auto* help = main.window.findChild<HelpWindow*>();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(help->isWindow());
    QCOMPARE(help->windowTitle(), QStringLiteral("Nomispot Help"));
    QCOMPARE(help->helpFile(), test::binDir() + QStringLiteral("/nomispot.qch"));
    QVERIFY(help->hasHelp());
    QCOMPARE(help->browser()->source().scheme(), QStringLiteral("qthelp"));
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Nomispot Help")));

    main.action("mnuHelpIndex")->trigger();
    QCOMPARE(main.window.findChildren<HelpWindow*>().size(), 1);
    QVERIFY(main.app.messages.messages.empty());
}

void TestMainMenu::helpContentsWithoutHelpFile() {
    MainWindow main;
    QTemporaryDir elsewhere;
    main.app.state.dataDir = elsewhere.path();
    main.window.show();
    main.action("mnuHelpIndex")->trigger();
    auto* help = main.window.findChild<HelpWindow*>();
    QVERIFY(help);
    QVERIFY(!help->hasHelp());
    QVERIFY(main.app.messages.messages.empty());
}

QTEST_MAIN(TestMainMenu)
#include "tst_main_menu.moc"
