#include "engine/run_plan.h"
#include "results/result_actions.h"
#include "test_support.h"

#include <QTest>

using namespace nomispot;

namespace {

// Two names under com and net; net has no registration site.
struct Run {
    Run(bool complete = false) {
        catalogue = test::makeCatalogue({"com;Commercial;https://com.example;", "net;Network;;",
                                         "uk;UK;https://uk.example;co"});
        names.Names = complete ? QStringList{"a.bc", "de.fg"} : QStringList{"foo", "bar"};
        names.NamesNeedSuffix = !complete;
        columns = complete ? planColumns(false, SearchSet::DefaultList, catalogue)
                           : std::vector<ResultColumn>{{"com", "com"}, {"net", "net"}};
        table = buildCheckItems(columns, names, catalogue);
    }
    TldCatalogue catalogue;
    NameTable names;
    std::vector<ResultColumn> columns;
    CheckTable table;
};

} // namespace

class TestResultActions : public QObject {
    Q_OBJECT
private slots:
    void clipboard();
    void clipboardCompleteNames();
    void popup_data();
    void popup();
};

void TestResultActions::clipboard() {
    Run run;
    run.table.at(1, 1).state = CheckState::Available;
    run.table.at(1, 2).state = CheckState::Unavailable;
    run.table.at(2, 1).state = CheckState::Available;
    run.table.at(2, 2).state = CheckState::NotChecked;
    QCOMPARE(clipboardText(run.table, run.catalogue),
             QStringLiteral("foo.com is available (check https://com.example)\r\n"
                            "bar.com is unavailable.\r\n"
                            "foo.net is available\r\n"
                            "bar.net was not checked.\r\n"));
}

void TestResultActions::clipboardCompleteNames() {
    Run run(true);
    run.table.at(1, 1).state = CheckState::Available;
    run.table.at(1, 2).state = CheckState::Available;
    // No TLD, so no site, even though the catalogue's first entry has one.
    QCOMPARE(clipboardText(run.table, run.catalogue),
             QStringLiteral("a.bc is available\r\nde.fg is available\r\n"));
}

void TestResultActions::popup_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("tld");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("gotoCaption");
    QTest::addColumn<bool>("gotoEnabled");
    QTest::addColumn<bool>("wwwVisible");

    const QString gotoCom = QStringLiteral("Goto .com registration website.");
    QTest::newRow("available") << "foo.com"
                               << "com" << int(CheckState::Available) << "com"
                               << "foo.com is available!" << gotoCom << true << false;
    QTest::newRow("unavailable with site") << "foo.com"
                                           << "com" << int(CheckState::Unavailable) << "com"
                                           << "foo.com is unavailable." << gotoCom << true << true;
    QTest::newRow("unavailable without site")
        << "foo.net"
        << "net" << int(CheckState::Unavailable) << "net"
        << "foo.net is unavailable."
        << "No registration site known for  .net" << false << false;
    QTest::newRow("not checked") << "foo.com"
                                 << "com" << int(CheckState::NotChecked) << "com"
                                 << "foo.com could not be checked." << gotoCom << true << false;
    QTest::newRow("complete name") << "a.bc"
                                   << "" << int(CheckState::Unavailable) << ""
                                   << "a.bc is unavailable."
                                   << "No registration site known for  ." << false << false;
    QTest::newRow("second level") << "foo.co.uk"
                                  << "uk" << int(CheckState::Unavailable) << "co.uk"
                                  << "foo.co.uk is unavailable."
                                  << "Goto .co.uk registration website." << true << true;
    // A TLD the catalogue lacks finds entry 0, com.
    QTest::newRow("tld not in catalogue") << "foo.zz"
                                          << "com" << int(CheckState::Available) << "zz"
                                          << "foo.zz is available!"
                                          << "Goto .zz registration website." << true << false;
}

void TestResultActions::popup() {
    QFETCH(QString, domain);
    QFETCH(QString, tld);
    QFETCH(int, state);
    QFETCH(QString, suffix);
    QFETCH(QString, title);
    QFETCH(QString, gotoCaption);
    QFETCH(bool, gotoEnabled);
    QFETCH(bool, wwwVisible);

    Run run;
    const CheckItem item{domain, tld, CheckState(state), 1};
    const PopupCaptions p = popupCaptions(item, entryOfCandidate(run.catalogue, item), suffix);
    QCOMPARE(p.title, title);
    QCOMPARE(p.gotoCaption, gotoCaption);
    QCOMPARE(p.gotoEnabled, gotoEnabled);
    QCOMPARE(p.wwwVisible, wwwVisible);
    QCOMPARE(p.wwwCaption, QStringLiteral("Goto www.") + domain);
    QCOMPARE(wwwTarget(item), QStringLiteral("www.") + domain);
}

QTEST_GUILESS_MAIN(TestResultActions)
#include "tst_result_actions.moc"
