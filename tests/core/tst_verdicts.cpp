// Verdicts against real DNS software: NSD alone, and unbound in front of it. Every verdict is the
// reply rule applied to dig's RCODE for the same NS question, except under suffixes the self-test
// distrusts, which end not checked with the reason.
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "engine/self_test.h"
#include "nsd_server.h"
#include "results/run_summary.h"
#include "unbound_server.h"

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

} // namespace

class TestVerdicts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void againstDnsSoftware_data();
    void againstDnsSoftware();
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

QTEST_GUILESS_MAIN(TestVerdicts)
#include "tst_verdicts.moc"
