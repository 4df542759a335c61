#include "engine/run_plan.h"
#include "names/name_parser.h"
#include "test_support.h"

#include <QTest>

using namespace nomispot;

class TestRunPlan : public QObject {
    Q_OBJECT
private slots:
    void columns_data();
    void columns();
    void candidates();
    void limitMessage();
};

void TestRunPlan::columns_data() {
    QTest::addColumn<bool>("needSuffix");
    QTest::addColumn<bool>("user");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QStringList>("suffixes");

    QTest::newRow("complete names") << false << true << QStringList{"com"} << QStringList{""};
    QTest::newRow("default list") << true << false << QStringList{"uk"}
                                  << QStringList{"com", "net", "org", "us", "to", "tv", "tm", "nu"};
    QTest::newRow("selection in catalogue order") << true << true << QStringList{"net", "com"}
                                                  << QStringList{"com", "net"};
    QTest::newRow("labels replace their tld") << true << true << QStringList{"uk", "net"}
                                              << QStringList{"net", "co.uk", "org.uk"};
    QTest::newRow("empty label kept") << true << true << QStringList{"jp"}
                                      << QStringList{"co.jp", ".jp", "ne.jp"};
    QTest::newRow("empty selection") << true << true << QStringList{} << QStringList{};
}

void TestRunPlan::columns() {
    QFETCH(bool, needSuffix);
    QFETCH(bool, user);
    QFETCH(QStringList, selected);
    QFETCH(QStringList, suffixes);

    TldCatalogue catalogue =
        test::makeCatalogue({"com;C;;", "net;N;;", "uk;U;;co:org", "jp;J;;co::ne"});
    for (int i = 0; i < catalogue.count; ++i)
        catalogue[i].selected = selected.contains(catalogue[i].tld) ? 1 : 0;
    const auto columns = planColumns(needSuffix, user, catalogue);
    QStringList got;
    for (const ResultColumn& c : columns) {
        got << c.suffix;
        QCOMPARE(c.header, needSuffix ? c.suffix : QStringLiteral("Free?"));
    }
    QCOMPARE(got, suffixes);
}

void TestRunPlan::candidates() {
    const TldCatalogue catalogue = test::makeCatalogue({"com;C;;", "net;N;;", "uk;U;;co:org"});
    auto names = std::make_unique<NameTable>();
    QCOMPARE(parseNames(QStringLiteral("foo bar"), CheckMode::Combinations, *names).kind,
             ParseOutcome::Ok);
    const auto columns = planColumns(true, false, catalogue);
    CheckTable table;
    buildCheckItems(table, columns, *names, catalogue);
    QCOMPARE(table.candidateCount(), 32);
    // Numbered column by column: the four names under com come first.
    const QStringList firstFour{"foo.com", "foobar.com", "barfoo.com", "bar.com"};
    for (int r = 1; r <= 4; ++r) {
        QCOMPARE(table.at(1, r).domain, firstFour[r - 1]);
        QCOMPARE(int(table.at(1, r).queryId), r);
        QCOMPARE(table.at(1, r).tld, QStringLiteral("com"));
        QCOMPARE(table.at(1, r).state, CheckState::Pending);
    }
    QCOMPARE(int(table.at(8, 4).queryId), 32);
    QCOMPARE(table.at(8, 4).domain, QStringLiteral("bar.nu"));
    // nu is not in this catalogue: entry 0's tld.
    QCOMPARE(table.at(8, 4).tld, QStringLiteral("com"));
    CheckTable::Cell cell;
    QVERIFY(table.cellOfId(6, cell));
    QCOMPARE(cell.c, 2);
    QCOMPARE(cell.r, 2);
    QVERIFY(!table.cellOfId(33, cell));
    QVERIFY(!table.cellOfId(0, cell));

    // Second-level columns and complete names.
    TldCatalogue selected = catalogue;
    selected[2].selected = 1;
    buildCheckItems(table, planColumns(true, true, selected), *names, selected);
    QCOMPARE(table.at(2, 1).domain, QStringLiteral("foo.org.uk"));
    QCOMPARE(table.at(2, 1).tld, QStringLiteral("uk"));
    QCOMPARE(parseNames(QStringLiteral("a.bc de"), CheckMode::Combinations, *names).kind,
             ParseOutcome::Ok);
    buildCheckItems(table, planColumns(false, true, selected), *names, selected);
    QCOMPARE(table.colCount(), 1);
    QCOMPARE(table.at(1, 2).domain, QStringLiteral("de"));
    QCOMPARE(table.at(1, 2).tld, QString());
    QCOMPARE(int(table.at(1, 2).queryId), 2);
}

void TestRunPlan::limitMessage() {
    QCOMPARE(tooManyCombinationsMessage(2049),
             QStringLiteral("Sorry, you have too many combinations of domains.\rThe maximum number "
                            "allowed is 2048 and you have 2049"));
    QCOMPARE(networkFailureMessage(),
             QStringLiteral("Cannot initialize the network - \rPlease check that you are online."));
    QCOMPARE(sendFailureMessage(), QStringLiteral("Error communicating with nameserver.\rCheck "
                                                  "your settings under options->DNS options"));
}

QTEST_GUILESS_MAIN(TestRunPlan)
#include "tst_run_plan.moc"
