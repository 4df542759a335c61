#include "engine/dns_message.h"
#include "engine/query_phase.h"
#include "engine/run_plan.h"
#include "results/result_actions.h"
#include "results/result_formats.h"
#include "results/run_summary.h"
#include "test_support.h"
#include "zone/zone_answers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
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
    void notRegistrable_data();
    void notRegistrable();
    void zoneFileAnswers_data();
    void zoneFileAnswers();
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
    QTest::newRow("not registrable")
        << "-foo.com"
        << "com" << int(CheckState::NotRegistrable) << "com"
        << "-foo.com cannot be registered." << gotoCom << true << false;
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

void TestResultActions::notRegistrable_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("rcode"); // the nameserver's answer; -1 none
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("described");

    const int free = int(CheckState::Available), taken = int(CheckState::Unavailable),
              barred = int(CheckState::NotRegistrable);
    const QString own = QStringLiteral(
        "reserved by the registry for its own use (ICANN registry agreement, Specification 5)");
    QTest::newRow("hyphen first")
        << "-foo.com" << 3 << barred
        << "-foo.com cannot be registered (a name cannot start with a hyphen)."
        << "not_registrable"
        << "a name cannot start with a hyphen"
        << "-foo.com cannot be registered: a name cannot start with a hyphen";
    QTest::newRow("reserved, free in the DNS")
        << "nic.app" << 3 << barred << "nic.app cannot be registered (" + own + ")."
        << "not_registrable" << own << "nic.app cannot be registered: " + own;
    // The three lines of the other states stay as they were.
    QTest::newRow("reserved, taken") << "q.com" << 0 << taken << "q.com is unavailable."
                                     << "unavailable" << QString() << "q.com is taken";
    QTest::newRow("free") << "sunny.app" << 3 << free << "sunny.app is available"
                          << "available" << QString() << "sunny.app is available";
    QTest::newRow("not checked") << "nic.app" << -1 << int(CheckState::NotChecked)
                                 << "nic.app was not checked."
                                 << "not_checked"
                                 << "no answer"
                                 << "nic.app was not checked: no answer";
}

// Every way out of the program says the same about a name no registry takes.
void TestResultActions::notRegistrable() {
    QFETCH(QString, domain);
    QFETCH(int, rcode);
    QFETCH(int, state);
    QFETCH(QString, line);
    QFETCH(QString, word);
    QFETCH(QString, reason);
    QFETCH(QString, described);

    const LoadedRules rules = loadRegistrationRules(test::binDir());
    QVERIFY2(rules.warning.isEmpty(), qPrintable(rules.warning));
    RunRequest request{domain};
    request.selfTest = false;
    Result<RunPlan, RunRefusal> plan = planRun(request, TldCatalogue{}, rules.rules);
    QVERIFY(plan);
    // The query phase hears the answer with rcode; without one the candidate ends unanswered.
    QueryPhase::Hooks hooks;
    hooks.send = [](const QByteArray&) { return QueryPhase::SendResult::Sent; };
    QueryPhase phase(plan->candidates, 1, 1, std::move(hooks));
    phase.start();
    const CheckItem& item = plan->candidates.at(1, 1);
    if (rcode >= 0) {
        QByteArray reply = *BuildQuery(item.wireName(), item.queryId);
        reply[2] = char(0x81);
        reply[3] = char(0x80 | rcode);
        phase.datagram(reply);
    }
    plan->candidates.markPendingNotChecked();
    QCOMPARE(int(item.state), state);
    const TldCatalogue catalogue;
    QCOMPARE(clipboardLine(item, catalogue), line + QStringLiteral("\r\n"));
    QCOMPARE(stateWord(item.state), word);
    QCOMPARE(reasonText(item), reason);
    QCOMPARE(stateDescription(item), described);

    const RunResults results{plan->candidates, catalogue, plan->names, plan->columns};
    const QStringList csv = formatResults(results, OutputFormat::Csv, false).split(u'\n');
    QVERIFY2(csv.value(1).startsWith(csvField(domain) + u',' + csvField(domain) +
                                     QStringLiteral(",,") + word + QStringLiteral(",,") +
                                     csvField(reason) + u','),
             qPrintable(csv.value(1)));
    const QJsonObject json =
        QJsonDocument::fromJson(formatResults(results, OutputFormat::Json, false).toUtf8())
            .array()
            .first()
            .toObject();
    QCOMPARE(json.value(QStringLiteral("state")).toString(), word);
    QCOMPARE(json.value(QStringLiteral("reason")).toString(), reason);
    // Only free names are listed as available.
    QCOMPARE(formatResults(results, OutputFormat::Csv, true).count(u'\n'),
             word == u"available" ? 2 : 1);
    QCOMPARE(countsText(plan->candidates).contains(QStringLiteral(", 1 not registrable")),
             word == u"not_registrable");
}

void TestResultActions::zoneFileAnswers_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("registry"); // what its registry said after the run
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("described");

    const QString own = QStringLiteral(
        "reserved by the registry for its own use (ICANN registry agreement, Specification 5)");
    QTest::newRow("in the file") << "taken.app" << QString() << "taken.app is unavailable."
                                 << "unavailable"
                                 << "in the zone file of 2024-07-15"
                                 << "taken.app is taken (in the zone file of 2024-07-15)";
    QTest::newRow("not in the file")
        << "sunny.app" << QString() << "sunny.app is available"
        << "available"
        << "not in the zone file of 2024-07-15"
        << "sunny.app is available (not in the zone file of 2024-07-15)";
    QTest::newRow("confirmed by the registry")
        << "sunny.app"
        << "not-found"
        << "sunny.app is available"
        << "available"
        << "not in the zone file of 2024-07-15"
        << "sunny.app is available (not in the zone file of 2024-07-15), confirmed by its "
           "registry";
    QTest::newRow("held by the registry, not in the file")
        << "sunny.app"
        << "found"
        << "sunny.app is unavailable."
        << "unavailable"
        << "registered, not in the zone file of 2024-07-15"
        << "sunny.app is taken: registered, not in the zone file of 2024-07-15";
    QTest::newRow("reserved, not in the file")
        << "nic.app" << QString() << "nic.app cannot be registered (" + own + ")."
        << "not_registrable" << own + " (not in the zone file of 2024-07-15)"
        << "nic.app cannot be registered: " + own + " (not in the zone file of 2024-07-15)";
}

// A candidate a zone file answered says so everywhere but in the clipboard's three lines.
void TestResultActions::zoneFileAnswers() {
    QFETCH(QString, domain);
    QFETCH(QString, registry);
    QFETCH(QString, line);
    QFETCH(QString, word);
    QFETCH(QString, reason);
    QFETCH(QString, described);

    QTemporaryDir dir;
    const QString zonePath = dir.filePath(QStringLiteral("app.zone"));
    QFile zone(zonePath);
    QVERIFY(zone.open(QIODevice::WriteOnly));
    zone.write("app. SOA ns.app. hm.app. 2024071502 1 2 3 4\ntaken.app. NS ns.other.\n");
    zone.close();
    Result<ZoneIndex> index = loadZoneIndex(zonePath, dir.filePath(QStringLiteral("index")));
    QVERIFY(index);
    ZoneIndexSet zones;
    zones.add(std::move(*index));

    const LoadedRules rules = loadRegistrationRules(test::binDir());
    RunRequest request{domain};
    request.selfTest = false;
    Result<RunPlan, RunRefusal> plan = planRun(request, TldCatalogue{}, rules.rules);
    QVERIFY(plan);
    QCOMPARE(answerFromZoneFiles(plan->candidates, zones).taken, domain == u"taken.app" ? 1 : 0);
    CheckItem& item = plan->candidates.at(1, 1);
    if (registry == u"not-found") {
        item.registry = RegistryAnswer::NotFound;
    } else if (registry == u"found") {
        item.registry = RegistryAnswer::Found;
        item.state = CheckState::Unavailable;
        item.registeredNotInDns = true;
    }

    const TldCatalogue catalogue;
    QCOMPARE(clipboardLine(item, catalogue), line + QStringLiteral("\r\n"));
    QCOMPARE(stateWord(item.state), word);
    QCOMPARE(reasonText(item), reason);
    QCOMPARE(stateDescription(item), described);
    QCOMPARE(zoneFileSummary(plan->candidates), QStringLiteral("1 answered from zone files."));

    const RunResults results{plan->candidates, catalogue, plan->names, plan->columns};
    const QStringList csv = formatResults(results, OutputFormat::Csv, false).split(u'\n');
    QVERIFY2(csv.value(1).contains(u',' + csvField(reason) + u','), qPrintable(csv.value(1)));
    const QJsonObject json =
        QJsonDocument::fromJson(formatResults(results, OutputFormat::Json, false).toUtf8())
            .array()
            .first()
            .toObject();
    QCOMPARE(json.value(QStringLiteral("reason")).toString(), reason);
}

QTEST_GUILESS_MAIN(TestResultActions)
#include "tst_result_actions.moc"
