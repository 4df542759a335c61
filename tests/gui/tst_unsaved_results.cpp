#include "names/frm_main.h"
#include "names/main_menu.h"
#include "nsd_server.h"
#include "results/frm_results.h"
#include "settings/settings_ops.h"
#include "test_app.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

using namespace nomispot;

namespace {

const QString kNameserver = QStringLiteral("127.53.9.1");

// The main window with its menu, asking a real NSD.
struct MainWindow {
    MainWindow() : window(app.state) {
        markFirstRunDone(*app.store);
        installMainMenu(window, app.state);
        app.state.dns = {kNameserver, 5, 1};
        window.show();
    }
    QLineEdit* names() const { return window.findChild<QLineEdit*>(QStringLiteral("names")); }
    // Types names and presses Check, as the user does.
    void check(const QString& text) {
        names()->clear();
        QTest::keyClicks(names(), text);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("activate")),
                          Qt::LeftButton);
    }
    // Checks text and waits for the run to finish; nullptr when it did not.
    frmResults* finishedRun(const QString& text) {
        check(text);
        const QPointer<frmResults> results = window.results();
        if (!results ||
            !QTest::qWaitFor(
                [&results] { return !results || results->stage() == frmResults::Stage::Finished; },
                20000))
            return nullptr;
        return results;
    }
    QStringList questions() const {
        QStringList texts;
        for (const Message& m : app.messages.questions)
            texts << m.text;
        return texts;
    }

    test::TestApp app;
    frmMain window;
};

QAction* action(const QWidget* window, const char* name) {
    return window->findChild<QAction*>(QString::fromLatin1(name));
}

enum class Quit { Exit, CtrlQ, Close };

// Quits the way the user chose.
void quit(MainWindow& main, Quit how) {
    switch (how) {
    case Quit::Exit:
        action(&main.window, "mnuExit")->trigger();
        break;
    case Quit::CtrlQ:
        // The keys of the main window's menu: it must be the active window, not the results.
        main.window.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &main.window);
        QTest::keySequence(main.names(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        break;
    case Quit::Close:
        main.window.close();
        break;
    }
}

// Keeps the results the way the user chose: File > Save Results to path, or Edit > Copy.
void keep(frmResults* results, bool save, const QString& path) {
    if (!save) {
        action(results, "mnuCopy")->trigger();
        return;
    }
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    action(results, "mnuSave")->trigger();
}

} // namespace

class TestUnsavedResults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void quitAsks_data();
    void quitAsks();
    void checkAsks_data();
    void checkAsks();
    void keptResultsGoWithoutAsking_data();
    void keptResultsGoWithoutAsking();
    void runningWindowEndsWithoutAsking();
    void checkDuringRunAsks();
    void closeAsks();

private:
    std::unique_ptr<test::NsdServer> m_nsd;
};

void TestUnsavedResults::initTestCase() {
    m_nsd = std::make_unique<test::NsdServer>(kNameserver, test::NsdServer::standardZones());
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_nsd);
}

void TestUnsavedResults::quitAsks_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<bool>("yes");
    QTest::newRow("File > Exit, No") << int(Quit::Exit) << false;
    QTest::newRow("File > Exit, Yes") << int(Quit::Exit) << true;
    QTest::newRow("Ctrl+Q, No") << int(Quit::CtrlQ) << false;
    QTest::newRow("Ctrl+Q, Yes") << int(Quit::CtrlQ) << true;
    QTest::newRow("window closed, No") << int(Quit::Close) << false;
    QTest::newRow("window closed, Yes") << int(Quit::Close) << true;
}

// A finished run with answers not saved or copied: quitting asks; No keeps everything open.
void TestUnsavedResults::quitAsks() {
    QFETCH(int, how);
    QFETCH(bool, yes);
    MainWindow main;
    // com and net answer, the other six default domains are refused: 4 answers.
    QPointer<frmResults> results = main.finishedRun(QStringLiteral("taken free"));
    QVERIFY(results);
    QCOMPARE(results->answeredCount(), 4);
    main.app.messages.answer = yes ? Answer::Yes : Answer::No;

    quit(main, Quit(how));
    QCOMPARE(main.questions(), QStringList{"Quit and discard the results of 4 domains?"});
    QCOMPARE(main.app.messages.questions.front().title, "Nomispot");
    if (yes) {
        QVERIFY(!main.window.isVisible());
        QTRY_VERIFY(!results);
    } else {
        QVERIFY(main.window.isVisible());
        QVERIFY(results && results->isVisible());
        QCOMPARE(results->answeredCount(), 4);
        QCOMPARE(main.window.results(), results.data());
    }
    QVERIFY(main.app.messages.messages.empty());
}

void TestUnsavedResults::checkAsks_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    QTest::newRow("No") << "taken free" << false
                        << "Discard the results of 4 domains and check again?";
    QTest::newRow("Yes") << "taken free" << true
                         << "Discard the results of 4 domains and check again?";
    QTest::newRow("one domain, No")
        << "taken.com" << false << "Discard the results of 1 domain and check again?";
}

// A new Check over unsaved results asks first; No leaves the old run as it was.
void TestUnsavedResults::checkAsks() {
    QFETCH(QString, first);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    MainWindow main;
    QPointer<frmResults> old = main.finishedRun(first);
    QVERIFY(old);
    const int answered = old->answeredCount();
    main.app.messages.answer = yes ? Answer::Yes : Answer::No;

    main.check(QStringLiteral("free"));
    QCOMPARE(main.questions(), QStringList{question});
    if (yes) {
        QTRY_VERIFY(!old);
        QVERIFY(main.window.results());
        QCOMPARE(main.window.results()->candidates().at(1, 1).domain, "free.com");
    } else {
        QVERIFY(old && old->isVisible());
        QCOMPARE(main.window.results(), old.data());
        QCOMPARE(old->stage(), frmResults::Stage::Finished);
        QCOMPARE(old->answeredCount(), answered);
        QVERIFY(old->hasUnsavedResults());
        // The new text stays in the box for when the old results are saved.
        QCOMPARE(main.names()->text(), "free");
    }
}

void TestUnsavedResults::keptResultsGoWithoutAsking_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<bool>("checkAgain"); // else quit
    QTest::newRow("saved, then Check") << true << true;
    QTest::newRow("copied, then Check") << false << true;
    QTest::newRow("saved, then Exit") << true << false;
    QTest::newRow("copied, then Exit") << false << false;
}

// Once saved or copied, results go without a question.
void TestUnsavedResults::keptResultsGoWithoutAsking() {
    QFETCH(bool, save);
    QFETCH(bool, checkAgain);
    MainWindow main;
    main.app.messages.answer = Answer::No;
    QPointer<frmResults> results = main.finishedRun(QStringLiteral("taken free"));
    QVERIFY(results);
    const QString path = main.app.dir.filePath(QStringLiteral("results.csv"));
    keep(results, save, path);
    QCOMPARE(QFile::exists(path), save);
    QVERIFY(!results->hasUnsavedResults());

    if (checkAgain) {
        main.check(QStringLiteral("free"));
        QTRY_VERIFY(!results);
        QVERIFY(main.window.results());
    } else {
        quit(main, Quit::Exit);
        QVERIFY(!main.window.isVisible());
        QTRY_VERIFY(!results);
    }
    QVERIFY(main.app.messages.questions.empty());
}

// A run still going without an answer yet is ended by a new Check or by quitting, as ever,
// without a question.
void TestUnsavedResults::runningWindowEndsWithoutAsking() {
    MainWindow main;
    main.app.messages.answer = Answer::No;
    // A nameserver that never answers.
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress(QStringLiteral("127.53.9.2")), 53));
    main.app.state.dns = {QStringLiteral("127.53.9.2"), 1000, 1};
    main.check(QStringLiteral("taken free"));
    QPointer<frmResults> first = main.window.results();
    QVERIFY(first && first->isRunActive());
    main.check(QStringLiteral("free"));
    QTRY_VERIFY(!first);
    QPointer<frmResults> second = main.window.results();
    QVERIFY(second && second->isRunActive());
    quit(main, Quit::Exit);
    QVERIFY(!main.window.isVisible());
    QTRY_VERIFY(!second);
    QVERIFY(main.app.messages.questions.empty());
}

// Answers of a run still going are results too: a new Check asks before they go.
void TestUnsavedResults::checkDuringRunAsks() {
    MainWindow main;
    main.app.messages.answer = Answer::No;
    main.app.state.dns.delayMs = 200; // the first answer comes, the run goes on
    main.check(QStringLiteral("taken free"));
    QPointer<frmResults> running = main.window.results();
    QVERIFY(running);
    QTRY_VERIFY_WITH_TIMEOUT(running->answeredCount() > 0, 15000);
    QVERIFY(running->isRunActive());
    main.check(QStringLiteral("free"));
    QCOMPARE(main.questions(), QStringList{checkAgainQuestion(running->answeredCount())});
    QCOMPARE(main.window.results(), running.data());
    QVERIFY(running->isRunActive());
}

// Close on a finished window asks before unsaved results go; No keeps it open.
void TestUnsavedResults::closeAsks() {
    MainWindow main;
    QPointer<frmResults> results = main.finishedRun(QStringLiteral("taken free"));
    QVERIFY(results);
    main.app.messages.answer = Answer::No;
    auto* close = results->findChild<QPushButton*>(QStringLiteral("butCancelOk"));
    QCOMPARE(close->text(), QStringLiteral("Close"));
    close->click();
    QCOMPARE(main.questions(),
             QStringList{QStringLiteral("Close and discard the results of 4 domains?")});
    QVERIFY(results && results->isVisible());
    main.app.messages.answer = Answer::Yes;
    close->click();
    QTRY_VERIFY(!results);
}

QTEST_MAIN(TestUnsavedResults)
#include "tst_unsaved_results.moc"
