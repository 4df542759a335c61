#include "engine/network.h"
#include "engine/run_plan.h"
#include "names/frm_main.h"
#include "names/name_parser.h"
#include "nsd_server.h"
#include "results/frm_results.h"
#include "results/run_summary.h"
#include "test_app.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QUdpSocket>

using namespace nomispot;

namespace {

const QString kNameserver = QStringLiteral("127.53.0.1");

using States = QMap<QString, CheckState>;

// Types text, picks the mode and presses Check, as the user does.
frmResults* check(frmMain& window, const QString& text, CheckMode mode) {
    auto* names = window.findChild<QLineEdit*>(QStringLiteral("names"));
    names->clear();
    QTest::keyClicks(names, text);
    window
        .findChild<QRadioButton*>(mode == CheckMode::Separately ? QStringLiteral("checkmode(0)")
                                                                : QStringLiteral("checkmode(1)"))
        ->click();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("activate")), Qt::LeftButton);
    return window.results();
}

// Every candidate's state by domain; also checks each cell shows the matching picture.
States finalStates(const frmResults& results, const CheckTable& table) {
    States states;
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r) {
            const CheckItem& item = table.at(c, r);
            states.insert(item.domain, item.state);
            if (results.gridModel().pictureAt(c, r) != ResultGridModel::pictureFor(item))
                qWarning("cell %d,%d shows the wrong picture", c, r);
        }
    return states;
}

} // namespace

class TestCheckRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void againstNsd_data();
    void againstNsd();
    void silentNameserver();
    void deadNameserver();
    void unresolvableNameserver();
    void cancelAndCheckAgain();
    void refusedTexts();
    void longPastedText();
    void viewStaysPut();
    void internationalNames();

private:
    std::unique_ptr<test::NsdServer> m_nsd;
};

void TestCheckRun::initTestCase() {
    m_nsd = std::make_unique<test::NsdServer>(kNameserver, test::NsdServer::standardZones());
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_nsd);
}

void TestCheckRun::againstNsd_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("user");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<States>("expected");
    QTest::addColumn<int>("refused"); // cells the summary line counts

    const auto U = CheckState::Unavailable, A = CheckState::Available, N = CheckState::NotChecked;
    QTest::newRow("separately, default list")
        << "taken free" << int(CheckMode::Separately) << false
        << QStringList{"com", "net", "org", "us", "to", "tv", "tm", "nu"}
        << States{{"taken.com", U},
                  {"free.com", A},
                  {"taken.net", U},
                  {"free.net", A},
                  // Zones the server does not serve are refused: never judged.
                  {"taken.org", N},
                  {"free.nu", N}}
        << 12;
    QTest::newRow("combinations, default list")
        << "taken free" << int(CheckMode::Combinations) << false
        << QStringList{"com", "net", "org", "us", "to", "tv", "tm", "nu"}
        << States{{"taken.com", U}, {"takenfree.com", A}, {"freetaken.com", A},
                  {"free.com", A},  {"taken.net", U},     {"free.tv", N}}
        << 24;
    QTest::newRow("selection with second-level labels")
        << "taken free Taken2" << int(CheckMode::Separately) << true
        << QStringList{"com", "co.uk", "org.uk"}
        << States{{"taken.com", U},  {"free.com", A},     {"Taken2.com", U}, {"taken.co.uk", U},
                  {"free.co.uk", A}, {"taken.org.uk", A}, {"free.org.uk", U}}
        << 0;
    QTest::newRow("complete names")
        << "taken.com free.net taken.zz" << int(CheckMode::Combinations) << false
        << QStringList{"Free?"} << States{{"taken.com", U}, {"free.net", A}, {"taken.zz", N}} << 1;
}

void TestCheckRun::againstNsd() {
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(bool, user);
    QFETCH(QStringList, headers);
    QFETCH(States, expected);
    QFETCH(int, refused);

    test::TestApp app;
    app.state.catalogue =
        test::makeCatalogue({"com;Commercial;https://com.example;", "net;Network;;",
                             "uk;United Kingdom;https://uk.example;co:org", "zz;Nowhere;;"});
    app.state.catalogue[0].selected = 1;
    app.state.catalogue[2].selected = 1;
    app.state.searchSet = user ? SearchSet::Selection : SearchSet::DefaultList;
    app.state.dns = {kNameserver, 5, 2};

    frmMain window(app.state);
    window.show();
    QPointer<frmResults> results = check(window, text, CheckMode(mode));
    QVERIFY(results);
    QVERIFY(window.isRunActive());
    QCOMPARE(results->findChild<QPushButton*>(QStringLiteral("butCancelOk"))->text(),
             QStringLiteral("Cancel"));
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);

    QStringList gotHeaders;
    for (int c = 0; c < results->gridModel().columnCount(); ++c)
        gotHeaders
            << results->gridModel().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QCOMPARE(gotHeaders, headers);
    const States states = finalStates(*results, results->candidates());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(int(states.value(it.key(), CheckState::Pending)), int(it.value()));

    // The finished look.
    QVERIFY(!window.isRunActive());
    QCOMPARE(results->findChild<QPushButton*>(QStringLiteral("butCancelOk"))->text(),
             QStringLiteral("Close"));
    QVERIFY(!results->findChild<QProgressBar*>(QStringLiteral("ProgressBar"))->isVisible());
    // What was not checked, and why: under the grid and on each cell.
    QString summary = countsText(results->candidates()) + u'.';
    if (refused)
        summary +=
            QStringLiteral(" %1 not checked: %1 refused by %2.").arg(refused).arg(kNameserver);
    QCOMPARE(results->summary(), summary);
    auto* line = results->findChild<QLabel*>(QStringLiteral("lblSummary"));
    QVERIFY(line->isVisible());
    QCOMPARE(line->toolTip(), summary);
    for (int c = 1; c <= results->colCount(); ++c)
        for (int r = 1; r <= results->candidates().nameCount(); ++r)
            if (results->candidates().at(c, r).state == CheckState::NotChecked)
                QVERIFY(results->gridModel()
                            .data(results->gridModel().index(r - 1, c - 1), Qt::ToolTipRole)
                            .toString()
                            .endsWith(QStringLiteral(" was not checked: refused")));
    QVERIFY(app.messages.messages.empty());
    const CheckItem& first = results->candidates().at(1, 1);
    QCOMPARE(
        results->gridModel().data(results->gridModel().index(0, 0), Qt::ToolTipRole).toString(),
        first.domain + (first.state == CheckState::Available ? QStringLiteral(" is available")
                        : first.state == CheckState::Unavailable
                            ? QStringLiteral(" is taken")
                            : QStringLiteral(" was not checked")));
    QTest::mouseClick(results->findChild<QPushButton*>(QStringLiteral("butCancelOk")),
                      Qt::LeftButton);
    QTRY_VERIFY(!results);
}

void TestCheckRun::silentNameserver() {
    // A peer that takes every datagram and never answers.
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress(QStringLiteral("127.53.1.9")), 53));

    test::TestApp app;
    app.state.dns = {QStringLiteral("127.53.1.9"), 2, 2};
    frmMain window(app.state);
    QPointer<frmResults> results = check(window, QStringLiteral("one two"), CheckMode::Separately);
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);
    for (int c = 1; c <= 8; ++c)
        for (int r = 1; r <= 2; ++r) {
            QCOMPARE(results->candidates().at(c, r).state, CheckState::NotChecked);
            QCOMPARE(results->gridModel().pictureAt(c, r), ResultGridModel::Question);
        }
    QVERIFY(app.messages.messages.empty());
}

// Nothing listens at the nameserver's address: the run fails at once, naming it and where it is
// set, instead of waiting through every pass.
void TestCheckRun::deadNameserver() {
    test::TestApp app;
    app.state.dns = {QStringLiteral("127.53.1.99"), 5, 3};
    frmMain window(app.state);
    QPointer<frmResults> results = check(window, QStringLiteral("foo bar"), CheckMode::Separately);
    QVERIFY(results);
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Failed, 10000);
    const QString shown = app.messages.texts().value(0);
    QVERIFY2(shown.startsWith(QStringLiteral("Nothing answers at 127.53.1.99:53 (connection "
                                             "refused)")) &&
                 shown.endsWith(QStringLiteral("Options > DNS Settings.")),
             qPrintable(shown));
}

void TestCheckRun::unresolvableNameserver() {
    test::TestApp app;
    app.state.dns = {QStringLiteral("ns1.yourprovider.example"), 5, 3};
    frmMain window(app.state);
    QPointer<frmResults> results = check(window, QStringLiteral("foo"), CheckMode::Separately);
    QVERIFY(results);
    // Looked up without blocking the window.
    QCOMPARE(results->stage(), frmResults::Stage::Preparing);
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Failed, 30000);
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    QVERIFY2(app.messages.texts()[0].startsWith(
                 networkFailureMessage(app.state.dns.nameserver, QString())),
             qPrintable(app.messages.texts()[0]));
    QCOMPARE(app.messages.messages[0].icon, MessageIcon::Critical);
    // The window does not look busy: it has ended, every cell saying why.
    auto* button = results->findChild<QPushButton*>(QStringLiteral("butCancelOk"));
    QCOMPARE(button->text(), QStringLiteral("Close"));
    QVERIFY(!window.isRunActive());
    QVERIFY(results->findChild<QMenu*>(QStringLiteral("mnuFile"))->isEnabled());
    for (int c = 1; c <= results->colCount(); ++c) {
        QCOMPARE(results->candidates().at(c, 1).state, CheckState::NotChecked);
        QCOMPARE(reasonText(results->candidates().at(c, 1)),
                 QStringLiteral("the nameserver could not be used"));
    }
    QVERIFY2(results->summary().contains(
                 QStringLiteral("8 not asked (ns1.yourprovider.example cannot be used)")),
             qPrintable(results->summary()));
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(!results);
}

void TestCheckRun::cancelAndCheckAgain() {
    test::TestApp app;
    app.state.dns = {kNameserver, 1000, 3};
    frmMain window(app.state);
    QPointer<frmResults> first = check(window, QStringLiteral("taken free"), CheckMode::Separately);
    QTRY_COMPARE(first->stage(), frmResults::Stage::Querying);
    // A second Check during the run ends the first one.
    app.state.dns.delayMs = 20;
    const QString names = QStringLiteral("taken free a b c d e f g h i j k l m n o p q r s t");
    QPointer<frmResults> second = check(window, names, CheckMode::Separately);
    QTRY_VERIFY(!first);
    QVERIFY(second);
    QVERIFY(window.isRunActive());
    QTRY_VERIFY_WITH_TIMEOUT(second->answeredCount() >= 5, 20000);
    // Cancel mid-run: nothing more is sent, the answers so far stay, the rest say why.
    auto* button = second->findChild<QPushButton*>(QStringLiteral("butCancelOk"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!window.isRunActive());
    QCOMPARE(button->text(), QStringLiteral("Close"));
    const int answered = second->answeredCount();
    QTest::qWait(300);
    QCOMPARE(second->answeredCount(), answered);
    // Counts the cells that are still pending, and those cancelled.
    const auto count = [&second](CheckState state, const QString& reason) {
        int n = 0;
        for (int c = 1; c <= second->colCount(); ++c)
            for (int r = 1; r <= second->candidates().nameCount(); ++r) {
                const CheckItem& item = second->candidates().at(c, r);
                n += item.state == state && (reason.isNull() || reasonText(item) == reason);
            }
        return n;
    };
    const int cancelled = count(CheckState::NotChecked, QStringLiteral("cancelled"));
    QCOMPARE(count(CheckState::Pending, QString()), 0);
    QVERIFY(cancelled > 0);
    QVERIFY2(second->summary().contains(QStringLiteral("%1 cancelled").arg(cancelled)),
             qPrintable(second->summary()));
    QVERIFY(second->hasUnsavedResults());
    // Check Again asks the cancelled ones, and the grid fills.
    second->mnuCheckAgain_Click();
    QTRY_COMPARE_WITH_TIMEOUT(second->stage(), frmResults::Stage::Finished, 30000);
    QCOMPARE(count(CheckState::NotChecked, QStringLiteral("cancelled")), 0);
    QVERIFY(second->answeredCount() > answered);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(!second);
}

void TestCheckRun::refusedTexts() {
    test::TestApp app;
    app.state.dns = {kNameserver, 5, 1};
    frmMain window(app.state);
    QVERIFY(!check(window, QStringLiteral("foo_bar"), CheckMode::Separately));
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    QCOMPARE(app.messages.messages[0].title, QStringLiteral("Nomispot - Illegal characters used"));
    QCOMPARE(app.messages.messages[0].text, illegalCharactersMessage());
    QCOMPARE(app.messages.messages[0].icon, MessageIcon::None);

    QVERIFY(!check(window, QStringLiteral("   "), CheckMode::Separately));
    QCOMPARE(app.messages.messages.size(), std::size_t(1));

    // 256 names under the 8 default TLDs is the limit; one more name is refused.
    QStringList words;
    for (int i = 0; i < 257; ++i)
        words << QStringLiteral("n%1").arg(i);
    QPointer<frmResults> accepted =
        check(window, words.mid(0, 256).join(u' '), CheckMode::Separately);
    QVERIFY(accepted);
    QCOMPARE(accepted->candidates().candidateCount(), 2048);
    accepted->close();
    QTRY_VERIFY(!window.results());
    QPointer<frmResults> refused = check(window, words.join(u' '), CheckMode::Separately);
    QTRY_VERIFY(!refused);
    QCOMPARE(app.messages.texts().last(),
             tooManyCombinationsMessage(2056) + u'\r' + longListHint());
    QCOMPARE(app.messages.messages.back().icon, MessageIcon::Critical);
    // 46 words combined would overflow the name table: refused before the window opens.
    QVERIFY(!check(window, words.mid(0, 46).join(u' '), CheckMode::Combinations));
    QCOMPARE(app.messages.texts().last(),
             tooManyCombinationsMessage(46 * 46 * 8) + u'\r' + longListHint());
}

// 2,000 complete names pasted into the names box reach the run whole.
void TestCheckRun::longPastedText() {
    test::TestApp app;
    app.state.dns = {kNameserver, 1000, 1};
    frmMain window(app.state);
    QStringList names;
    for (int i = 0; i < 2000; ++i)
        names << QStringLiteral("name-number-%1.example.com").arg(i);
    QGuiApplication::clipboard()->setText(names.join(u' '));
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("names"));
    box->setFocus();
    QTest::keySequence(box, QKeySequence::Paste);
    QVERIFY(box->text().size() > 32767);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("activate")), Qt::LeftButton);
    QPointer<frmResults> results = window.results();
    QVERIFY(results);
    QCOMPARE(results->candidates().nameCount(), 2000);
    QCOMPARE(results->candidates().at(1, 2000).domain, names.last());
    results->close();
}

// Answers fill the grid without moving the view: it ends where it began, at the top left.
void TestCheckRun::viewStaysPut() {
    test::TestApp app;
    app.state.dns = {kNameserver, 5, 1};
    frmMain window(app.state);
    QStringList names;
    for (int i = 0; i < 60; ++i)
        names << (i % 2 ? QStringLiteral("taken") : QStringLiteral("free%1").arg(i));
    QPointer<frmResults> results = check(window, names.join(u' '), CheckMode::Separately);
    QVERIFY(results);
    auto* grid = results->findChild<QTableView*>(QStringLiteral("ResultGrid"));
    QVERIFY(grid->verticalScrollBar()->maximum() > 0);
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
    QCOMPARE(grid->horizontalScrollBar()->value(), 0);
    const QModelIndex current = grid->currentIndex();
    QVERIFY(!current.isValid() || (current.row() == 0 && current.column() == 0));
    QCOMPARE(results->gridModel().pictureAt(1, 60), ResultGridModel::Cross);
    results->close();
}

// Names typed in another script are asked in their DNS form and shown as typed.
void TestCheckRun::internationalNames() {
    const QMap<QString, QString> zones{
        {QStringLiteral("com"), QStringLiteral("xn--caf-dma A 192.0.2.1\n")}};
    NOMISPOT_START_NSD(nsd, QStringLiteral("127.53.0.33"), zones);
    test::TestApp app;
    app.state.catalogue = test::makeCatalogue({"com;Commercial;;"});
    app.state.catalogue[0].selected = 1;
    app.state.searchSet = SearchSet::Selection;
    app.state.dns = {QStringLiteral("127.53.0.33"), 5, 2};
    frmMain window(app.state);
    // Typed as a paste would bring it: key clicks know only ASCII.
    window.findChild<QLineEdit*>(QStringLiteral("names"))
        ->setText(QString::fromUtf8("café münchen"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("activate")), Qt::LeftButton);
    QPointer<frmResults> results = window.results();
    QVERIFY(results);
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);
    const CheckTable& table = results->candidates();
    QCOMPARE(table.at(1, 1).domain, QString::fromUtf8("café.com"));
    QCOMPARE(table.at(1, 1).wireName(), QStringLiteral("xn--caf-dma.com"));
    QCOMPARE(table.at(1, 1).state, CheckState::Unavailable);
    QCOMPARE(table.at(1, 2).state, CheckState::Available);
    QCOMPARE(results->gridModel().headerData(0, Qt::Vertical, Qt::DisplayRole).toString(),
             QString::fromUtf8("café"));
    QVERIFY(results->gridModel()
                .data(results->gridModel().index(0, 0), Qt::ToolTipRole)
                .toString()
                .endsWith(QStringLiteral("(xn--caf-dma.com)")));
    results->mnuCopy_Click();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString::fromUtf8("café.com is unavailable.\r\nmünchen.com is available\r\n"));
    results->close();
}

QTEST_MAIN(TestCheckRun)
#include "tst_check_run.moc"
