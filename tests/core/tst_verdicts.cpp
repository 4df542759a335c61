// Verdicts against real DNS software: NSD alone, and unbound in front of it. Every verdict is the
// reply rule applied to dig's RCODE for the same NS question, except under suffixes the self-test
// distrusts, which end not checked with the reason.
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "engine/self_test.h"
#include "nsd_server.h"
#include "results/run_summary.h"
#include "test_support.h"
#include "unbound_server.h"
#include "wire_log.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace nomispot;

namespace {

const QString kNsd = QStringLiteral("127.53.50.1");
const QString kUnbound = QStringLiteral("127.53.50.2");

using Trust = SuffixProbe::Trust;

struct Scenario {
    const char* name;
    QMap<QString, QString> zones; // NSD's
    bool viaUnbound = false;
    QStringList unboundLines;
    QStringList suffixes;
    QMap<QString, Trust> distrusted;
    QString summaryPart; // a part the run summary must hold
};

const QString kTaken = QStringLiteral("taken A 192.0.2.1\n");

const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> list{
        {"wildcard in a TLD zone",
         {{"com", kTaken}, {"wild", QStringLiteral("* A 192.0.2.7\n")}},
         false,
         {},
         {"com", "wild"},
         {{"wild", Trust::MadeUpNamesExist}},
         ".wild untrusted: made-up names exist."},
        {"a root zone answering every name",
         {{".", QStringLiteral("* A 192.0.2.7\n")}},
         false,
         {},
         {"com", "net"},
         {{"com", Trust::MadeUpNamesExist}, {"net", Trust::MadeUpNamesExist}},
         "No suffix can be trusted: choose another nameserver"},
        {"a TLD missing from the root",
         {{".", QString()}, {"com", kTaken}},
         false,
         {},
         {"com", "zz"},
         {{"zz", Trust::SuffixUnknown}},
         ".zz untrusted: unknown to"},
        {"resolver: server failure for a lame zone",
         {{"com", kTaken}},
         true,
         {},
         {"com", "lame"},
         {},
         "2 not checked: 2 failed at 127.53.50.2 (server failure)."},
        {"resolver: refusing",
         {{"com", kTaken}},
         true,
         {QStringLiteral("access-control: 127.0.0.0/8 refuse")},
         {"com", "net"},
         {},
         "4 not checked: 4 refused by"},
        {"resolver: a TLD blocked with NXDOMAIN",
         {{"com", kTaken}, {"blocked", kTaken}},
         true,
         {QStringLiteral("local-zone: \"blocked.\" always_nxdomain")},
         {"com", "blocked"},
         {{"blocked", Trust::SuffixUnknown}},
         ".blocked untrusted: unknown to"},
        {"resolver: captive, every name redirected",
         {{"com", kTaken}},
         true,
         {QStringLiteral("local-zone: \".\" redirect"),
          QStringLiteral("local-data: \". A 192.0.2.1\"")},
         {"com", "net"},
         {{"com", Trust::MadeUpNamesExist}, {"net", Trust::MadeUpNamesExist}},
         "No suffix can be trusted"},
    };
    return list;
}

// dig's RCODE for the NS question about name; -1 when dig gives none.
int digRcode(const QString& server, const QString& name) {
    QProcess dig;
    dig.start(QStringLiteral("dig"),
              {u'@' + server, name, QStringLiteral("NS"), QStringLiteral("+tries=1"),
               QStringLiteral("+time=3"), QStringLiteral("+noall"), QStringLiteral("+comments")});
    if (!dig.waitForFinished(10000))
        return -1;
    const QRegularExpressionMatch status =
        QRegularExpression(QStringLiteral("status: (\\w+)"))
            .match(QString::fromUtf8(dig.readAllStandardOutput()));
    const QStringList codes{"NOERROR", "FORMERR", "SERVFAIL", "NXDOMAIN", "NOTIMP", "REFUSED"};
    return status.hasMatch() ? int(codes.indexOf(status.captured(1))) : -1;
}

const QString kRelay = QStringLiteral("127.53.50.3");

// Zones for the registration rules: what exists under a new gTLD and under com.
QMap<QString, QString> ruleZones() {
    return {{QStringLiteral("app"), QStringLiteral("nic A 192.0.2.20\nsunny A 192.0.2.21\n")},
            {QStringLiteral("com"), QStringLiteral("x A 192.0.2.22\ntaken A 192.0.2.1\n")}};
}

} // namespace

class TestVerdicts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void againstDnsSoftware_data();
    void againstDnsSoftware();
    void registrationRules_data();
    void registrationRules();
    void danglingAlias();

private:
    // One run over every name of registrationRules_data, made at its first row.
    QStringList m_names;
    std::optional<CheckTable> m_ruled;
    QStringList m_asked;
};

void TestVerdicts::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("dig")).isEmpty()) {
        if (qEnvironmentVariableIsSet("NOMISPOT_REQUIRE_NSD"))
            QFAIL("dig is not installed (apt-get install dnsutils)");
        QSKIP("dig is not installed (apt-get install dnsutils)");
    }
}

void TestVerdicts::againstDnsSoftware_data() {
    QTest::addColumn<int>("scenario");
    for (std::size_t i = 0; i < scenarios().size(); ++i)
        QTest::newRow(scenarios()[i].name) << int(i);
}

void TestVerdicts::againstDnsSoftware() {
    QFETCH(int, scenario);
    const Scenario& s = scenarios()[std::size_t(scenario)];

    NOMISPOT_START_NSD(nsd, kNsd, s.zones);
    std::optional<test::UnboundServer> unbound;
    if (s.viaUnbound) {
        test::UnboundServer::Options options;
        for (const QString& suffix : s.suffixes)
            options.stubZones.insert(suffix, kNsd);
        options.extraServerLines = s.unboundLines;
        unbound.emplace(kUnbound, options);
        NOMISPOT_REQUIRE_SERVER_RUNNING(*unbound);
    }
    const QString nameserver = s.viaUnbound ? kUnbound : kNsd;

    // With the self-test, and without it: then every verdict follows the rule alone.
    for (const bool selfTest : {true, false}) {
        RunRequest request{QStringLiteral("taken free"), CheckMode::Separately,
                           SearchSet::DefaultList, s.suffixes};
        request.selfTest = selfTest;
        Result<RunPlan, RunRefusal> plan = planRun(request, TldCatalogue{});
        QVERIFY(plan);
        CheckTable& table = plan->candidates;
        QCOMPARE(table.probes().size(), selfTest ? std::size_t(s.suffixes.size()) : 0);
        QueryRunner runner;
        QVERIFY(runner.initNetwork(nameserver));
        runner.start(table, 5, 2, table.candidateCount() + 1);
        QTRY_VERIFY_WITH_TIMEOUT(!runner.isRunning(), 20000);

        const auto trustOf = [&](const QString& suffix) {
            return selfTest ? s.distrusted.value(suffix, Trust::Trusted) : Trust::Trusted;
        };
        for (const SuffixProbe& probe : table.probes())
            QCOMPARE(int(probe.trust), int(trustOf(probe.suffix)));
        for (int c = 1; c <= table.colCount(); ++c)
            for (int r = 1; r <= table.nameCount(); ++r) {
                const CheckItem& item = table.at(c, r);
                const QByteArray domain = item.domain.toLatin1();
                const int rcode = digRcode(nameserver, item.domain);
                QVERIFY2(rcode >= 0, domain.constData());
                const Trust trust = trustOf(suffixOf(item.domain));
                if (trust != Trust::Trusted) {
                    QVERIFY2(item.state == CheckState::NotChecked, domain.constData());
                    QCOMPARE(item.reason, trust == Trust::SuffixUnknown
                                              ? NotCheckedReason::SuffixUnknown
                                              : NotCheckedReason::MadeUpNamesExist);
                } else if (rcode == 0 || rcode == 3) {
                    QCOMPARE(item.state,
                             rcode == 0 ? CheckState::Unavailable : CheckState::Available);
                } else {
                    QVERIFY2(item.state == CheckState::NotChecked, domain.constData());
                    QCOMPARE(item.reason, NotCheckedReason::ServerCode);
                    QCOMPARE(int(item.rcode), rcode);
                }
            }
        if (selfTest) {
            const QString summary =
                runSummary(table, {nameserver, 5, 2}, {QStringLiteral("--nameserver"), QString()});
            QVERIFY2(summary.contains(s.summaryPart), qPrintable(summary));
        }
    }
}

// A name that exists as an alias of a name that does not: NSD answers NXDOMAIN with the CNAME in
// the answer section, and the name is taken all the same.
void TestVerdicts::danglingAlias() {
    NOMISPOT_START_NSD(nsd, kNsd,
                       (QMap<QString, QString>{{"com", kTaken + "alias CNAME missing.com.\n"}}));
    QCOMPARE(digRcode(kNsd, QStringLiteral("alias.com")), 3);
    const std::optional<CheckTable> checked =
        test::checkNames(kNsd, QStringLiteral("alias free"), {QStringLiteral("com")}, true);
    QVERIFY(checked);
    const CheckTable& table = *checked;
    QCOMPARE(table.at(1, 1).state, CheckState::Unavailable);
    QCOMPARE(reasonText(table.at(1, 1)), QStringLiteral("exists as an alias (CNAME)"));
    QCOMPARE(table.at(1, 2).state, CheckState::Available);
}

void TestVerdicts::registrationRules_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("rcode"); // dig's for the name; -1: never asked
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("reason");

    const QString own = QStringLiteral(
        "reserved by the registry for its own use (ICANN registry agreement, Specification 5)");
    const QString single =
        QStringLiteral("reserved by the registry (single-character names under .com and .net)");
    const QString thirdFourth =
        QStringLiteral("a name cannot have hyphens in the third and fourth places unless it is "
                       "a valid international (xn--) name");
    const int free = int(CheckState::Available), taken = int(CheckState::Unavailable),
              barred = int(CheckState::NotRegistrable);
    m_names.clear();
    const auto row = [this](const char* tag, const char* domain, int rcode, int state,
                            const QString& reason) {
        m_names << QString::fromLatin1(domain);
        QTest::newRow(tag) << QString::fromLatin1(domain) << rcode << state << reason;
    };
    row("free", "free.app", 3, free, {});
    row("taken", "sunny.app", 0, taken, {});
    row("free, reserved for the registry", "whois.app", 3, barred, own);
    row("free, example", "example.app", 3, barred,
        QStringLiteral("reserved by the registry (ICANN registry agreement, Specification 5)"));
    row("taken, reserved for the registry", "nic.app", 0, taken, {});
    row("one character, free", "q.com", 3, barred, single);
    row("one character, taken", "x.com", 0, taken, {});
    row("a new gTLD's reserved word under com", "www.com", 3, free, {});
    row("hyphen first", "-foo.com", -1, barred,
        QStringLiteral("a name cannot start with a hyphen"));
    row("hyphen last", "foo-.app", -1, barred, QStringLiteral("a name cannot end with a hyphen"));
    row("hyphens in places 3 and 4", "ab--cd.com", -1, barred, thirdFourth);
    row("not a valid xn-- label", "xn--zz.com", -1, barred, thirdFourth);
}

// Candidates against NSD with the shipped rules: a reserved name the DNS calls free is not
// registrable, one that exists stays taken, and names breaking a hyphen rule are never sent.
void TestVerdicts::registrationRules() {
    QFETCH(QString, domain);
    QFETCH(int, rcode);
    QFETCH(int, state);
    QFETCH(QString, reason);

    NOMISPOT_START_NSD(nsd, kNsd, ruleZones());
    if (!m_ruled) {
        const LoadedRules rules = loadRegistrationRules(test::binDir());
        QVERIFY2(rules.warning.isEmpty(), qPrintable(rules.warning));
        Result<RunPlan, RunRefusal> plan =
            planRun({m_names.join(u' ')}, TldCatalogue{}, rules.rules);
        QVERIFY(plan);
        test::WireLog wire;
        QVERIFY(wire.start(kRelay, kNsd));
        QueryRunner runner;
        QVERIFY(runner.initNetwork(kRelay));
        m_ruled = std::move(plan->candidates);
        runner.start(*m_ruled, 5, 2, m_ruled->candidateCount() + 1);
        QTRY_VERIFY_WITH_TIMEOUT(!runner.isRunning(), 20000);
        m_asked = wire.asked();
    }
    const CheckTable& table = *m_ruled;
    const CheckItem* item = nullptr;
    for (int r = 1; r <= table.nameCount(); ++r)
        if (table.at(1, r).domain == domain)
            item = &table.at(1, r);
    QVERIFY(item);
    QCOMPARE(int(item->state), state);
    QCOMPARE(reasonText(*item), reason);
    QCOMPARE(m_asked.contains(domain.toLower()), rcode >= 0);
    if (rcode >= 0)
        QCOMPARE(digRcode(kNsd, domain), rcode);
}

QTEST_GUILESS_MAIN(TestVerdicts)
#include "tst_verdicts.moc"
