#include "names/frm_main.h"
#include "nsd_server.h"
#include "results/frm_results.h"
#include "results/result_actions.h"
#include "results/result_formats.h"
#include "results/verdict_pictures.h"
#include "small_disk.h"
#include "test_app.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHostAddress>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>

using namespace nomispot;

namespace {

const QString kNameserver = QStringLiteral("127.53.0.7");

// A finished run of text under the default list; com has a site, net has none.
struct FinishedRun {
    explicit FinishedRun(const QString& text, bool shippedRules = false) {
        app.state.catalogue = test::makeCatalogue(
            {"com;Commercial;https://com.example;", "net;Network;;", "uk;UK;;co"});
        if (shippedRules)
            app.state.registrationRules = loadRegistrationRules(test::binDir()).rules;
        app.state.dns = {kNameserver, 2, 1};
        window = std::make_unique<frmMain>(app.state);
        QTest::keyClicks(window->findChild<QLineEdit*>("names"), text);
        QTest::mouseClick(window->findChild<QPushButton*>("activate"), Qt::LeftButton);
        results = window->results();
    }
    bool finish() {
        return QTest::qWaitFor([this] { return results->stage() == frmResults::Stage::Finished; },
                               20000);
    }
    QAction* action(const char* name) const { return results->findChild<QAction*>(name); }

    test::TestApp app;
    std::unique_ptr<frmMain> window;
    QPointer<frmResults> results;
};

} // namespace

class TestResultsWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void popup_data();
    void popup();
    void popupOnClickAndNotDuringRun();
    void popupFromTheKeyboard_data();
    void popupFromTheKeyboard();
    void gotoShortcutOnlyAfterPopup();
    void row300();
    void copyToClipboard();
    void exitClosesOnlyTheResults();
    void layoutFollowsContent();
    void saveResults();
    void saveOntoAFullDisk();
    void copySelection();
    void saveExtension_data();
    void saveExtension();
    void saveStartsWhereTheLastWent();
    void entriesWithNothingToDoAreOff();
    void quitKeyFromResults();
    void checkAgainWithAnotherNameserver();
    void onlyRowsWithAFreeName();
    void notRegistrableCells_data();
    void notRegistrableCells();

private:
    std::unique_ptr<test::NsdServer> m_nsd;
};

void TestResultsWindow::initTestCase() {
    m_nsd = std::make_unique<test::NsdServer>(kNameserver, test::NsdServer::standardZones());
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_nsd);
}

void TestResultsWindow::popup_data() {
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("r");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("gotoCaption");
    QTest::addColumn<bool>("gotoEnabled");
    QTest::addColumn<bool>("wwwVisible");
    QTest::addColumn<QString>("gotoTarget");
    QTest::addColumn<QString>("wwwTarget");

    QTest::newRow("unavailable with site")
        << 1 << 1 << "taken.com is unavailable."
        << "Goto .com registration website." << true << true << "https://com.example"
        << "www.taken.com";
    QTest::newRow("available") << 1 << 2 << "free.com is available!"
                               << "Goto .com registration website." << true << false
                               << "https://com.example"
                               << "";
    QTest::newRow("unavailable without site")
        << 2 << 1 << "taken.net is unavailable."
        << "No registration site known for  .net" << false << false << ""
        << "";
    // org is not in the catalogue: its candidates use entry 0, com.
    QTest::newRow("not checked, tld not in catalogue")
        << 3 << 1 << "taken.org could not be checked."
        << "Goto .org registration website." << true << false << "https://com.example"
        << "";
}

void TestResultsWindow::popup() {
    QFETCH(int, c);
    QFETCH(int, r);
    QFETCH(QString, title);
    QFETCH(QString, gotoCaption);
    QFETCH(bool, gotoEnabled);
    QFETCH(bool, wwwVisible);
    QFETCH(QString, gotoTarget);
    QFETCH(QString, wwwTarget);

    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    run.results->openPopup(c, r);
    QMenu* popup = run.results->popupMenu();
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(run.action("mnuTitle")->text(), title);
    QVERIFY(!run.action("mnuTitle")->isEnabled()); // a heading the keyboard passes over
    QCOMPARE(run.action("mnuGoto")->text(), gotoCaption);
    QCOMPARE(run.action("mnuGoto")->isEnabled(), gotoEnabled);
    QCOMPARE(run.action("mnuWww")->isVisible(), wwwVisible);
    // Row 1 (taken) has taken names to look up; every valid name can be looked up.
    QCOMPARE(run.action("mnuDisplay")->isVisible(), r == 1);
    QVERIFY(run.action("mnuWhois")->isVisible());
    if (wwwVisible)
        QCOMPARE(run.action("mnuWww")->text(), QStringLiteral("Goto www.taken.com"));

    run.action("mnuGoto")->trigger();
    run.action("mnuWww")->trigger();
    QStringList expected;
    if (!gotoTarget.isEmpty())
        expected << gotoTarget;
    expected << QStringLiteral("www.") + run.results->candidates().at(c, r).domain;
    if (wwwVisible)
        QCOMPARE(expected.last(), wwwTarget);
    QCOMPARE(run.app.shell.targets, expected);
    popup->close();
}

void TestResultsWindow::popupFromTheKeyboard_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Shift+F10") << QKeySequence(Qt::SHIFT | Qt::Key_F10);
    QTest::newRow("Menu key") << QKeySequence(Qt::Key_Menu);
}

// Opened at the current cell, the title passed over: the first choice is the registration site.
void TestResultsWindow::popupFromTheKeyboard() {
    QFETCH(QKeySequence, keys);
    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    run.results->show();
    QVERIFY(QTest::qWaitForWindowExposed(run.results));
    auto* grid = run.results->findChild<QTableView*>();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::keySequence(grid, keys);
    QMenu* popup = run.results->popupMenu();
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(run.action("mnuTitle")->text(), QStringLiteral("free.com is available!"));
    const QRect cell = grid->visualRect(grid->currentIndex());
    QCOMPARE(popup->pos(), grid->viewport()->mapToGlobal(cell.center()));
    QTest::keyClick(popup, Qt::Key_Down);
    QCOMPARE(popup->activeAction(), run.action("mnuGoto"));
    popup->close();
}

void TestResultsWindow::popupOnClickAndNotDuringRun() {
    FinishedRun run(QStringLiteral("taken free"));
    auto* grid = run.results->findChild<QTableView*>("ResultGrid");
    const auto cellCentre = [grid](int c, int r) {
        return grid->visualRect(grid->model()->index(r - 1, c - 1)).center();
    };
    // While the run lasts, a click opens nothing.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(1, 1));
    QVERIFY(!run.results->popupMenu()->isVisible());
    QVERIFY(run.finish());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(1, 2));
    QTRY_VERIFY(run.results->popupMenu()->isVisible());
    QCOMPARE(run.action("mnuTitle")->text(), QStringLiteral("free.com is available!"));
    run.results->popupMenu()->close();
}

void TestResultsWindow::gotoShortcutOnlyAfterPopup() {
    FinishedRun run(QStringLiteral("taken"));
    QVERIFY(run.finish());
    run.results->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(run.results));
    QTest::keyClick(run.results, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(run.app.shell.targets.isEmpty());
    run.results->openPopup(1, 1);
    run.results->popupMenu()->close();
    run.results->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(run.results));
    QTest::keyClick(run.results, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(run.app.shell.targets, QStringList{"https://com.example"});
}

void TestResultsWindow::row300() {
    QStringList names;
    for (int i = 1; i <= 300; ++i)
        names << QStringLiteral("n%1.com").arg(i);
    FinishedRun run(names.join(u' '));
    QVERIFY(run.finish());
    QCOMPARE(run.results->colCount(), 1);
    run.results->openPopup(1, 300);
    QCOMPARE(run.action("mnuTitle")->text(), QStringLiteral("n300.com is available!"));
    // Complete names have no TLD and so no registration site.
    QCOMPARE(run.action("mnuGoto")->text(), QStringLiteral("No registration site known for  ."));
    QVERIFY(!run.action("mnuGoto")->isEnabled());
    run.results->popupMenu()->close();
}

void TestResultsWindow::copyToClipboard() {
    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    auto* edit = run.results->menuBar()->findChild<QMenu*>("mnuEdit");
    QVERIFY(edit->isEnabled());
    run.action("mnuCopy")->trigger();
    const QString text = QGuiApplication::clipboard()->text();
    QVERIFY(text.startsWith(QStringLiteral("taken.com is unavailable.\r\n"
                                           "free.com is available (check https://com.example)\r\n"
                                           "taken.net is unavailable.\r\n"
                                           "free.net is available\r\n"
                                           "taken.org was not checked.\r\n")));
    QCOMPARE(text.count(QStringLiteral("\r\n")), 16);
    QVERIFY(text.endsWith(QStringLiteral("free.nu was not checked.\r\n")));
    QCOMPARE(text, clipboardText(run.results->candidates(), run.app.state.catalogue));
    QCOMPARE(run.app.messages.texts(), QStringList{"Results have been copied to the clipboard."});
    QCOMPARE(run.app.messages.messages[0].icon, MessageIcon::None);
}

void TestResultsWindow::exitClosesOnlyTheResults() {
    FinishedRun run(QStringLiteral("taken"));
    auto* file = run.results->menuBar()->findChild<QMenu*>("mnuFile");
    QVERIFY(!file->isEnabled());
    QVERIFY(run.finish());
    QVERIFY(file->isEnabled());
    run.action("mnuExit")->trigger();
    QTRY_VERIFY(!run.results);
    QVERIFY(run.window);
}

void TestResultsWindow::layoutFollowsContent() {
    FinishedRun run(QStringLiteral("taken"));
    QVERIFY(run.finish());
    frmResults& w = *run.results;
    const WindowLimits limits = *w.limits();
    QVERIFY(qAbs(w.outerWidth() - limits.maxWidth) < 30);
    QVERIFY(qAbs(w.outerHeight() - limits.maxHeight) < 30);
    // Larger than the content stays larger, and the grid follows; narrower is allowed.
    auto* grid = w.findChild<QTableView*>();
    const int gridWidth = grid->width();
    w.setOuterSize(limits.maxWidth + 3000, limits.maxHeight + 1000);
    QTRY_VERIFY(qAbs(w.outerWidth() - limits.maxWidth - 3000) < 30);
    QTRY_VERIFY(grid->width() - gridWidth >= 3000 * w.logicalDpiX() / 1440 - 2);
    w.setOuterSize(2000, 1800);
    QTRY_VERIFY(qAbs(w.outerWidth() - 2000) < 30);
    auto* button = w.findChild<QPushButton*>("butCancelOk");
    QTRY_COMPARE(button->geometry().left(), qRound((2000 - 1365) * w.logicalDpiX() / 1440.0));
}

void TestResultsWindow::saveResults() {
    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("results.csv"));
    QVERIFY(run.results->saveResults(csv));
    QFile csvFile(csv);
    QVERIFY(csvFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csvFile.readAll().split('\n');
    QCOMPARE(lines.value(0), QByteArray("domain,name,suffix,state,registry_site,reason,ascii,"
                                        "registry,registry_status,registry_source,expires"));
    QCOMPARE(lines.value(1), QByteArray("taken.com,taken,com,unavailable,https://com.example,,"
                                        "taken.com,not-asked,,,"));
    // org is not in this catalogue: the first entry stands in, as everywhere.
    QCOMPARE(
        lines.value(5),
        QByteArray(
            "taken.org,taken,org,not_checked,https://com.example,refused,taken.org,not-asked,,,"));

    const QString json = dir.filePath(QStringLiteral("results.JSON"));
    QVERIFY(run.results->saveResults(json));
    QFile jsonFile(json);
    QVERIFY(jsonFile.open(QIODevice::ReadOnly));
    const QJsonArray records = QJsonDocument::fromJson(jsonFile.readAll()).array();
    QCOMPARE(records.size(), 16);
    QCOMPARE(records[3].toObject().value("domain").toString(), QStringLiteral("free.net"));
    QCOMPARE(records[3].toObject().value("state").toString(), QStringLiteral("available"));

    // A folder that is not there: said so, nothing written.
    QVERIFY(run.app.messages.messages.empty());
    const QString missing = dir.filePath(QStringLiteral("missing/results.csv"));
    QVERIFY(!run.results->saveResults(missing));
    QCOMPARE(run.app.messages.messages.size(), std::size_t(1));
    QCOMPARE(
        run.app.messages.texts()[0],
        QStringLiteral("The results are not saved.\rCannot write %1: No such file or directory")
            .arg(missing));
}

// Onto a full disk the file saved before stays as it was, and the user is told.
void TestResultsWindow::saveOntoAFullDisk() {
    test::SmallDisk disk;
    NOMISPOT_REQUIRE_SMALL_DISK(disk);
    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    const QString path = disk.filePath(QStringLiteral("results.csv"));
    QVERIFY(run.results->saveResults(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray before = saved.readAll();
    saved.close();
    QVERIFY(disk.fill());

    QVERIFY(!run.results->saveResults(path));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), before);
    QCOMPARE(run.app.messages.texts(),
             QStringList{QStringLiteral("The results are not saved.\rCannot write %1: No space "
                                        "left on device")
                             .arg(path)});
}

void TestResultsWindow::copySelection() {
    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    auto* grid = run.results->findChild<QTableView*>(QStringLiteral("ResultGrid"));
    const auto& model = run.results->gridModel();
    // free.net, then taken.com: the clipboard lists them column by column.
    grid->selectionModel()->select(model.index(1, 1), QItemSelectionModel::Select);
    grid->selectionModel()->select(model.index(0, 0), QItemSelectionModel::Select);
    run.action("mnuCopySelection")->trigger();
    // Tab-separated lines under a header, column by column; said on the line under the grid.
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("domain\tstate\treason\ntaken.com\tunavailable\t\n"
                            "free.net\tavailable\t\n"));
    QVERIFY(run.app.messages.texts().isEmpty());
    QCOMPARE(run.results->findChild<QLabel*>(QStringLiteral("lblSummary"))->text(),
             QStringLiteral("Copied 2 domains, tab-separated with a header."));
    // Rows the filter hides are not copied.
    run.action("mnuOnlyFree")->setChecked(true);
    grid->selectAll();
    run.action("mnuCopySelection")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + run.results->colCount());
    QVERIFY(std::all_of(lines.begin() + 1, lines.end(),
                        [](const QString& line) { return line.startsWith(u"free."); }));
}

void TestResultsWindow::saveExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("written");
    QTest::newRow("JSON chosen, no extension")
        << "/r/res2" << int(OutputFormat::Json) << "/r/res2.json";
    QTest::newRow("CSV chosen, no extension")
        << "/r/res2" << int(OutputFormat::Csv) << "/r/res2.csv";
    QTest::newRow("typed extension wins") << "/r/a.JSON" << int(OutputFormat::Csv) << "/r/a.JSON";
    QTest::newRow("other dot") << "/r/v1.2" << int(OutputFormat::Csv) << "/r/v1.2.csv";
}

void TestResultsWindow::saveExtension() {
    QFETCH(QString, typed);
    QFETCH(int, format);
    QFETCH(QString, written);
    QCOMPARE(withResultsExtension(typed, OutputFormat(format)), written);
}

// A run against a nameserver that never answers, checked again against one that does: the
// answers fill the same grid.
// The save dialog opens in the folder of the last save; the chosen type gives the extension.
void TestResultsWindow::saveStartsWhereTheLastWent() {
    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    QTemporaryDir first, second;
    QString opened;
    const auto saveAs = [&](const QString& path, const QString& filter) {
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->isVisible()) {
                answer.stop();
                opened = dialog->directory().absolutePath();
                dialog->selectNameFilter(filter);
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        answer.start(20);
        run.action("mnuSave")->trigger();
    };
    saveAs(first.filePath(QStringLiteral("res2")), QStringLiteral("JSON (*.json)"));
    QVERIFY(QFile::exists(first.filePath(QStringLiteral("res2.json"))));
    QVERIFY(run.results->saveResults(second.filePath(QStringLiteral("other.csv"))));
    saveAs(first.filePath(QStringLiteral("again")), QStringLiteral("CSV (*.csv)"));
    QCOMPARE(opened, QDir(first.path()).absolutePath()); // a save by the menu is remembered
    QVERIFY(QFile::exists(first.filePath(QStringLiteral("again.csv"))));
}

void TestResultsWindow::entriesWithNothingToDoAreOff() {
    FinishedRun clean(QStringLiteral("taken.com free.com"));
    QVERIFY(clean.finish());
    QVERIFY(!clean.action("mnuCheckAgain")->isEnabled()); // everything answered
    QVERIFY(clean.action("mnuConfirm")->isEnabled());     // free.com can be confirmed
    FinishedRun taken(QStringLiteral("taken.com taken.org"));
    QVERIFY(taken.finish());
    QVERIFY(taken.action("mnuCheckAgain")->isEnabled()); // org is not trusted: not checked
    QVERIFY(!taken.action("mnuConfirm")->isEnabled());   // no free name
}

void TestResultsWindow::quitKeyFromResults() {
    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    run.window->show();
    run.results->show();
    run.results->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(run.results));
    QTest::keySequence(run.results, QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Asked first, as from the main window; answered yes, both windows go.
    QCOMPARE(run.app.messages.questions.size(), std::size_t(1));
    QTRY_VERIFY(!run.window->isVisible());
}

void TestResultsWindow::checkAgainWithAnotherNameserver() {
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress(QStringLiteral("127.53.7.9")), 53));
    test::TestApp app;
    app.state.dns = {QStringLiteral("127.53.7.9"), 2, 1};
    frmMain window(app.state);
    QTest::keyClicks(window.findChild<QLineEdit*>("names"), "taken free");
    QTest::mouseClick(window.findChild<QPushButton*>("activate"), Qt::LeftButton);
    QPointer<frmResults> results = window.results();
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);
    QCOMPARE(results->candidates().at(1, 1).state, CheckState::NotChecked);
    QVERIFY(results->summary().contains(QStringLiteral("16 without answer")));

    app.state.dns.nameserver = kNameserver;
    results->findChild<QAction*>("mnuCheckAgain")->trigger();
    QVERIFY(results->isRunActive());
    QVERIFY(!results->findChild<QMenu*>("mnuEdit")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);
    QCOMPARE(results->candidates().at(1, 1).state, CheckState::Unavailable); // taken.com
    QCOMPARE(results->candidates().at(1, 2).state, CheckState::Available);   // free.com
    QCOMPARE(results->gridModel().pictureAt(1, 2), ResultGridModel::Check);
    QCOMPARE(results->candidates().at(3, 1).state, CheckState::NotChecked); // org: refused
    QVERIFY(results->summary().startsWith(QStringLiteral("2 free, 2 taken. 12 not checked")));
}

void TestResultsWindow::onlyRowsWithAFreeName() {
    FinishedRun run(QStringLiteral("taken free"));
    QVERIFY(run.finish());
    auto* grid = run.results->findChild<QTableView*>(QStringLiteral("ResultGrid"));
    run.action("mnuOnlyFree")->setChecked(true);
    QVERIFY(grid->isRowHidden(0)); // taken: nothing free
    QVERIFY(!grid->isRowHidden(1));
    run.action("mnuOnlyFree")->setChecked(false);
    QVERIFY(!grid->isRowHidden(0));
}

void TestResultsWindow::notRegistrableCells_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("picture");
    QTest::addColumn<QString>("tip");

    const int barred = ResultGridModel::Barred;
    const QString single =
        QStringLiteral("reserved by the registry (single-character names under .com and .net)");
    QTest::newRow("taken") << 1 << 1 << int(ResultGridModel::Cross) << "taken.com is taken";
    QTest::newRow("free") << 1 << 2 << int(ResultGridModel::Check) << "free.com is available";
    QTest::newRow("one character, free in the DNS")
        << 1 << 3 << barred << "q.com cannot be registered: " + single;
    QTest::newRow("one character under net")
        << 2 << 3 << barred << "q.net cannot be registered: " + single;
    QTest::newRow("hyphen first, never asked")
        << 3 << 4 << barred << "-foo.org cannot be registered: a name cannot start with a hyphen";
}

// Names no registry takes get their own picture and words, and are not free to the row filter.
void TestResultsWindow::notRegistrableCells() {
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(int, picture);
    QFETCH(QString, tip);

    FinishedRun run(QStringLiteral("taken free q -foo"), true);
    QVERIFY(run.finish());
    const ResultGridModel& model = run.results->gridModel();
    QCOMPARE(int(model.pictureAt(column, row)), picture);
    QCOMPARE(model.data(model.index(row - 1, column - 1), Qt::ToolTipRole).toString(), tip);
    QCOMPARE(model.data(model.index(row - 1, column - 1), Qt::AccessibleTextRole).toString(), tip);
    // -foo under all eight endings, q under com and net.
    QVERIFY2(
        run.results->summary().startsWith(QStringLiteral("2 free, 2 taken, 10 not registrable.")),
        qPrintable(run.results->summary()));
    auto* grid = run.results->findChild<QTableView*>(QStringLiteral("ResultGrid"));
    run.action("mnuOnlyFree")->setChecked(true);
    QCOMPARE(grid->isRowHidden(row - 1), row != 2);
    // The picture is neither the check nor the cross.
    QVERIFY(barredPicture() != checkPicture());
    QVERIFY(barredPicture() != crossPicture());
    QVERIFY(barredPicture() != questionPicture());
}

QTEST_MAIN(TestResultsWindow)
#include "tst_results_window.moc"
