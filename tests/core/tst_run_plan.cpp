#include "engine/network.h"
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "test_support.h"

#include <QTest>
#include <algorithm>
#include <set>

using namespace nomispot;

class TestRunPlan : public QObject {
    Q_OBJECT
private slots:
    void columns_data();
    void columns();
    void candidates();
    void identifiersAreRandom();
    void reopenNotChecked();
    void registrationRules_data();
    void registrationRules();
    void nothingSelected();
    void refusals_data();
    void refusals();
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
    QTest::newRow("selection in catalogue order")
        << true << true << QStringList{"net", "com"} << QStringList{"com", "net"};
    QTest::newRow("labels replace their tld")
        << true << true << QStringList{"uk", "net"} << QStringList{"net", "co.uk", "org.uk"};
    QTest::newRow("empty label is the tld itself")
        << true << true << QStringList{"jp"} << QStringList{"co.jp", "jp", "ne.jp"};
    QTest::newRow("empty selection") << true << true << QStringList{} << QStringList{};
}

namespace {

QString words256() {
    QStringList words;
    for (int i = 0; i < 256; ++i)
        words << QStringLiteral("w%1").arg(i);
    return words.join(u' ');
}

RunPlan plan(const RunRequest& request, const TldCatalogue& catalogue) {
    Result<RunPlan, RunRefusal> result = planRun(request, catalogue);
    if (!result)
        qFatal("refused: %s", qPrintable(result.error().message));
    return std::move(*result);
}

} // namespace

void TestRunPlan::columns() {
    QFETCH(bool, needSuffix);
    QFETCH(bool, user);
    QFETCH(QStringList, selected);
    QFETCH(QStringList, suffixes);

    TldCatalogue catalogue =
        test::makeCatalogue({"com;C;;", "net;N;;", "uk;U;;co:org", "jp;J;;co::ne"});
    for (int i = 0; i < catalogue.count; ++i)
        catalogue[i].selected = selected.contains(catalogue[i].tld) ? 1 : 0;
    const auto columns =
        planColumns(needSuffix, user ? SearchSet::Selection : SearchSet::DefaultList, catalogue);
    QStringList got;
    for (const ResultColumn& c : columns) {
        got << c.suffix;
        QCOMPARE(c.header, needSuffix ? c.suffix : QStringLiteral("Free?"));
    }
    QCOMPARE(got, suffixes);
}

void TestRunPlan::candidates() {
    TldCatalogue catalogue = test::makeCatalogue({"com;C;;", "net;N;;", "uk;U;;co:org"});
    RunPlan run = plan({QStringLiteral("foo bar"), CheckMode::Combinations}, catalogue);
    const CheckTable& table = run.candidates;
    QCOMPARE(run.names.Names, (QStringList{"foo", "foobar", "barfoo", "bar"}));
    QCOMPARE(run.columns.size(), std::size_t(8));
    QCOMPARE(table.candidateCount(), 32);
    // Numbered column by column: the four names under com come first.
    for (int r = 1; r <= 4; ++r) {
        QCOMPARE(table.at(1, r).domain, run.names.Names[r - 1] + QStringLiteral(".com"));
        QCOMPARE(table.at(1, r).tld, QStringLiteral("com"));
        QCOMPARE(table.at(1, r).state, CheckState::Pending);
    }
    QCOMPARE(table.at(8, 4).domain, QStringLiteral("bar.nu"));
    // nu is not in this catalogue: entry 0's tld.
    QCOMPARE(table.at(8, 4).tld, QStringLiteral("com"));

    // Second-level columns, explicit suffixes and complete names.
    catalogue[2].selected = 1;
    run =
        plan({QStringLiteral("foo bar"), CheckMode::Combinations, SearchSet::Selection}, catalogue);
    QCOMPARE(run.candidates.at(2, 1).domain, QStringLiteral("foo.org.uk"));
    QCOMPARE(run.candidates.at(2, 1).tld, QStringLiteral("uk"));
    run = plan({QStringLiteral("foo"), CheckMode::Separately, SearchSet::Selection,
                QStringList{"net", "me.uk"}},
               catalogue);
    QCOMPARE(run.columns.size(), std::size_t(2));
    QCOMPARE(run.candidates.at(2, 1).domain, QStringLiteral("foo.me.uk"));
    QCOMPARE(run.candidates.at(2, 1).tld, QStringLiteral("uk"));
    run =
        plan({QStringLiteral("a.bc de"), CheckMode::Combinations, SearchSet::Selection}, catalogue);
    QCOMPARE(run.candidates.colCount(), 1);
    QCOMPARE(run.columns[0].header, QStringLiteral("Free?"));
    QCOMPARE(run.candidates.at(1, 2).domain, QStringLiteral("de"));
    QCOMPARE(run.candidates.at(1, 2).tld, QString());
    // Exactly the limit is a run.
    QCOMPARE(plan({words256()}, catalogue).candidates.candidateCount(), 2048);
    // Only separators: a run without rows.
    run = plan({QStringLiteral(";;,,")}, catalogue);
    QCOMPARE(run.candidates.candidateCount(), 0);
    QCOMPARE(run.columns.size(), std::size_t(8));
}

// Check Again: what was not checked is asked again, but never a name no query can carry.
void TestRunPlan::reopenNotChecked() {
    // Suffixes given as they stand: one too long for a label, one that breaks the label rules.
    RunPlan run =
        plan({QStringLiteral("ok"), CheckMode::Separately, SearchSet::DefaultList,
              QStringList{"com", "net", "org", "us", "to", "tv", QString(64, u'x'), "-x"}},
             TldCatalogue{});
    CheckTable& table = run.candidates;
    QCOMPARE(table.at(7, 1).reason, NotCheckedReason::InvalidName);
    QCOMPARE(table.at(8, 1).reason, NotCheckedReason::InvalidName);
    table.at(1, 1).state = CheckState::Available;
    table.markPendingNotChecked();
    table.probes()[0].trust = SuffixProbe::Trust::MadeUpNamesExist;
    QCOMPARE(table.reopenNotChecked(), 5); // ok under the five other valid endings
    QCOMPARE(table.at(1, 1).state, CheckState::Available);
    QCOMPARE(table.at(2, 1).state, CheckState::Pending);
    QCOMPARE(table.at(2, 1).reason, NotCheckedReason::None);
    QVERIFY(!table.at(2, 1).sent);
    QCOMPARE(table.at(7, 1).state, CheckState::NotChecked);
    QCOMPARE(table.at(8, 1).state, CheckState::NotChecked);
    QCOMPARE(table.probes()[0].trust, SuffixProbe::Trust::Trusted);
}

void TestRunPlan::registrationRules_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("suffixes");
    QTest::addColumn<int>("state"); // of the first candidate, as planned
    QTest::addColumn<QString>("ruleReason");
    QTest::addColumn<int>("probes");

    const int pending = int(CheckState::Pending), barred = int(CheckState::NotRegistrable);
    const QString own = QStringLiteral(
        "reserved by the registry for its own use (ICANN registry agreement, Specification 5)");
    QTest::newRow("ordinary") << "sunny" << QStringList{"app"} << pending << QString() << 1;
    // Reserved: asked all the same, the reason kept for an NXDOMAIN.
    QTest::newRow("reserved") << "www" << QStringList{"app"} << pending << own << 1;
    QTest::newRow("hyphen last: never asked, no self-test for it")
        << "abc-" << QStringList{"app"} << barred
        << QStringLiteral("a name cannot end with a hyphen") << 0;
    QTest::newRow("complete name with a hyphen rule")
        << "ab--cd.com" << QStringList{} << barred
        << QStringLiteral("a name cannot have hyphens in the third and fourth places unless it "
                          "is a valid international (xn--) name")
        << 0;
    // An ending given as it stands that breaks a rule is a typing error, as before.
    QTest::newRow("suffix breaking a hyphen rule")
        << "sunny" << QStringList{"-x"} << int(CheckState::NotChecked) << QString() << 0;
}

void TestRunPlan::registrationRules() {
    QFETCH(QString, text);
    QFETCH(QStringList, suffixes);
    QFETCH(int, state);
    QFETCH(QString, ruleReason);
    QFETCH(int, probes);

    const LoadedRules rules = loadRegistrationRules(test::binDir());
    QVERIFY2(rules.warning.isEmpty(), qPrintable(rules.warning));
    RunRequest request{text};
    if (!suffixes.isEmpty())
        request.suffixes = suffixes;
    const Result<RunPlan, RunRefusal> run = planRun(request, TldCatalogue{}, rules.rules);
    QVERIFY(run);
    const CheckItem& item = run->candidates.at(1, 1);
    QCOMPARE(int(item.state), state);
    QCOMPARE(item.ruleReason, ruleReason);
    QCOMPARE(int(run->candidates.probes().size()), probes);
}

void TestRunPlan::refusals_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("suffixes"); // empty: the default list
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("message");

    QStringList words;
    for (int i = 0; i < 2050; ++i)
        words << QStringLiteral("n%1").arg(i);
    const int sep = int(CheckMode::Separately), comb = int(CheckMode::Combinations);
    const int limit = RunRefusal::TooManyCombinations;
    QTest::newRow("illegal") << "foo_bar" << sep << QStringList{}
                             << int(RunRefusal::IllegalCharacters) << illegalCharactersMessage();
    QTest::newRow("blank") << "   " << sep << QStringList{} << int(RunRefusal::Blank) << QString();
    QTest::newRow("one name past the limit") << words.mid(0, 257).join(u' ') << sep << QStringList{}
                                             << limit << tooManyCombinationsMessage(257 * 8);
    // Too many names for a run: counted as the run would, once per column.
    QTest::newRow("combined words past the name table")
        << words.mid(0, 46).join(u' ') << comb << QStringList{} << limit
        << tooManyCombinationsMessage(46 * 46 * 8);
    QTest::newRow("explicit suffixes count")
        << words.mid(0, 1025).join(u' ') << sep << QStringList{"com", "net"} << limit
        << tooManyCombinationsMessage(2050);
    QTest::newRow("complete names past the name table")
        << words.join(QStringLiteral(".com ")) + QStringLiteral(".com") << sep << QStringList{}
        << limit << tooManyCombinationsMessage(2050);
}

void TestRunPlan::refusals() {
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QStringList, suffixes);
    QFETCH(int, reason);
    QFETCH(QString, message);

    const TldCatalogue catalogue = test::makeCatalogue({"com;C;;", "net;N;;"});
    RunRequest request{text, CheckMode(mode)};
    if (!suffixes.isEmpty())
        request.suffixes = suffixes;
    const Result<RunPlan, RunRefusal> result = planRun(request, catalogue);
    QVERIFY(!result);
    QCOMPARE(int(result.error().reason), reason);
    QCOMPARE(result.error().message, message);
}

// A personal selection with nothing ticked gives no columns: refused, not a grid without any.
void TestRunPlan::nothingSelected() {
    const TldCatalogue catalogue = test::makeCatalogue({"com;C;;", "net;N;;"});
    const Result<RunPlan, RunRefusal> words =
        planRun({QStringLiteral("sunny"), CheckMode::Separately, SearchSet::Selection}, catalogue);
    QVERIFY(!words);
    QCOMPARE(words.error().reason, RunRefusal::NoSuffixes);
    QVERIFY(words.error().message.contains(QStringLiteral("Domains to search")));
    // Complete names need no ending.
    QVERIFY(planRun({QStringLiteral("sunny.com"), CheckMode::Separately, SearchSet::Selection},
                    catalogue));
}

void TestRunPlan::limitMessage() {
    QCOMPARE(tooManyCombinationsMessage(2049),
             QStringLiteral("Sorry, you have too many combinations of domains.\rThe maximum number "
                            "allowed is 2048 and you have 2049"));
    QCOMPARE(networkFailureMessage("ns.example", "Host not found"),
             QStringLiteral("Cannot initialize the network - \rPlease check that you are online."
                            "\rns.example: Host not found"));
    QCOMPARE(sendFailureMessage("192.0.2.53", "Network unreachable"),
             QStringLiteral("Error communicating with nameserver.\rCheck your settings under "
                            "options->DNS options\r192.0.2.53: Network unreachable"));
    QCOMPARE(socketErrorMessage("192.0.2.53", "Connection refused"),
             QStringLiteral("Network error talking to 192.0.2.53: Connection refused"));
}

// Every query of a run has an identifier of its own, none 0, with no step to guess from one to
// the next; another run of the same names draws others.
void TestRunPlan::identifiersAreRandom() {
    const TldCatalogue catalogue = test::makeCatalogue({"com;C;;", "net;N;;", "uk;U;;co:org"});
    const auto idsOf = [&catalogue] {
        const RunPlan run = plan({words256()}, catalogue);
        std::vector<int> ids;
        run.candidates.forEach(
            [&ids](int, int, const CheckItem& item) { ids.push_back(item.queryId); });
        for (const SuffixProbe& probe : run.candidates.probes())
            ids.insert(ids.end(), {probe.suffixId, probe.madeUpId});
        return ids;
    };
    const std::vector<int> ids = idsOf();
    QCOMPARE(ids.size(), std::size_t(2048 + 2 * 8));
    QVERIFY(std::find(ids.begin(), ids.end(), 0) == ids.end());
    QCOMPARE(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    std::set<int> steps;
    for (std::size_t i = 1; i < ids.size(); ++i)
        steps.insert(ids[i] - ids[i - 1]);
    QVERIFY2(steps.size() > ids.size() / 2, qPrintable(QString::number(steps.size())));
    QVERIFY(idsOf() != ids);
}

QTEST_GUILESS_MAIN(TestRunPlan)
#include "tst_run_plan.moc"
