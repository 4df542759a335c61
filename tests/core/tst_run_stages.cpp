// The check run driven as any front end drives it: its stages in order, by signals, and one
// cancel.
#include "catalogue/catalogue_file.h"
#include "engine/run_plan.h"
#include "nsd_server.h"
#include "rdap_server.h"
#include "run/check_run.h"
#include "run/registries.h"
#include "test_support.h"
#include "whois_server.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace nomispot;
using namespace std::chrono_literals;
using Stage = CheckRun::Stage;

namespace {

const QString kNameserver = QStringLiteral("127.53.61.1");
const QString kWhois = QStringLiteral("127.0.0.71");

} // namespace

// com is answered by a zone file (taken.com in it), net by NSD (taken.net); both registries
// answer over WHOIS on one loopback server, which knows no name and is slow to answer slow.*.
class TestRunStages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void stagesInOrder();
    void cancelWhileConfirming();

private:
    CheckTable plan(const QString& names) const;
    CheckSetup setup();

    std::unique_ptr<test::NsdServer> m_nsd;
    std::unique_ptr<test::LoopbackWhois> m_whois;
    std::unique_ptr<Registries> m_registries;
    QTemporaryDir m_dir;
    TldCatalogue m_catalogue;
    const DnsSettings m_dns{kNameserver, 5, 2};
};

void TestRunStages::initTestCase() {
    m_nsd = std::make_unique<test::NsdServer>(kNameserver, test::NsdServer::standardZones());
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_nsd);
    m_whois = std::make_unique<test::LoopbackWhois>(kWhois, QMap<QString, QByteArray>{}, 3.0);
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_whois);
    const Result<LoadedCatalogue> loaded = LoadCatalogue(catalogueFilePath(test::binDir()));
    QVERIFY(loaded);
    m_catalogue = loaded->catalogue;

    const QString bootstrap = m_dir.filePath(QStringLiteral("rdap-dns.json"));
    QVERIFY(test::writeRdapBootstrap(bootstrap, {}));
    qputenv("NOMISPOT_RDAP_BOOTSTRAP", QFile::encodeName(bootstrap));
    QFile table(m_dir.filePath(QStringLiteral("whois-servers.tsv")));
    QVERIFY(table.open(QIODevice::WriteOnly) &&
            table.write(test::whoisServersTable({{"com", kWhois}, {"net", kWhois}})) > 0);
    table.close();
    qputenv("NOMISPOT_WHOIS_SERVERS", QFile::encodeName(table.fileName()));
    RegistryPolicy policy;
    policy.whois.interval = 50ms;
    m_registries = std::make_unique<Registries>(test::binDir(), policy);

    QFile zone(m_dir.filePath(QStringLiteral("com.zone")));
    QVERIFY(zone.open(QIODevice::WriteOnly));
    zone.write("$ORIGIN com.\n$TTL 3600\n@ SOA ns.com. admin.com. 2026072301 1 1 1 1\n"
               "taken NS ns.example.\n");
}

CheckTable TestRunStages::plan(const QString& names) const {
    Result<RunPlan, RunRefusal> planned =
        planRun(RunRequest(names, CheckMode::Separately, SearchSet::DefaultList,
                           QStringList{QStringLiteral("com"), QStringLiteral("net")}),
                m_catalogue);
    return planned ? planned->candidates : CheckTable{};
}

CheckSetup TestRunStages::setup() {
    CheckSetup setup;
    setup.zoneFiles = {m_dir.filePath(QStringLiteral("com.zone"))};
    setup.zoneIndexDir = m_dir.filePath(QStringLiteral("indexes"));
    setup.confirm = CheckSetup::Confirm::FreeNames;
    setup.registries = m_registries.get();
    return setup;
}

void TestRunStages::stagesInOrder() {
    CheckRun run(setup());
    QList<Stage> stages;
    connect(&run, &CheckRun::stageChanged, this, [&stages](Stage stage) { stages << stage; });
    QSignalSpy finished(&run, &CheckRun::finished);
    QSignalSpy failed(&run, &CheckRun::failed);
    QSignalSpy cells(&run, &CheckRun::cellChanged);
    CheckTable table = plan(QStringLiteral("taken free"));
    QCOMPARE(table.candidateCount(), 4);
    run.start(table, m_dns);
    QVERIFY(run.isActive());
    QVERIFY(finished.wait(20000));
    QCOMPARE(stages, (QList<Stage>{Stage::ReadingZoneFiles, Stage::Connecting, Stage::Querying,
                                   Stage::Confirming, Stage::Finished}));
    QCOMPARE(failed.size(), 0);
    QVERIFY(cells.size() >= 4); // the DNS's two answers, the registries' two

    const CheckItem& zoneTaken = table.at(1, 1);
    QCOMPARE(zoneTaken.state, CheckState::Unavailable);
    QVERIFY(zoneTaken.verdictSource.startsWith(QStringLiteral("in the zone file of")));
    QCOMPARE(zoneTaken.registry, RegistryAnswer::NotAsked);
    QCOMPARE(table.at(2, 1).state, CheckState::Unavailable); // taken.net, from the DNS
    for (const CheckItem* free : {&table.at(1, 2), &table.at(2, 2)}) {
        QCOMPARE(free->state, CheckState::Available);
        QCOMPARE(free->registry, RegistryAnswer::NotFound);
        QCOMPARE(free->registrySource, RegistrySource::Whois);
    }

    // The next run of the check takes the zone files already read.
    stages.clear();
    CheckTable next = plan(QStringLiteral("taken"));
    run.start(next, m_dns);
    QVERIFY(finished.wait(20000));
    QCOMPARE(stages.first(), Stage::Connecting);
    QCOMPARE(next.at(1, 1).state, CheckState::Unavailable);
}

// Cancel while a registry is asked: the run ends at once, the name it was asked about stays as
// the DNS left it, and nothing follows.
void TestRunStages::cancelWhileConfirming() {
    CheckRun run(setup());
    QSignalSpy finished(&run, &CheckRun::finished);
    CheckTable table = plan(QStringLiteral("slow"));
    run.start(table, m_dns);
    QTRY_COMPARE_WITH_TIMEOUT(run.stage(), Stage::Confirming, 20000);
    QTest::qWait(300); // slow.com is under way
    QSignalSpy cells(&run, &CheckRun::cellChanged);
    run.cancel();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(run.stage(), Stage::Finished);
    QVERIFY(run.wasCancelled());
    QTest::qWait(3500); // past the slow answer
    QCOMPARE(finished.size(), 1);
    QCOMPARE(cells.size(), 0);
    for (const CheckItem* item : {&table.at(1, 1), &table.at(2, 1)}) {
        QCOMPARE(item->state, CheckState::Available);
        QCOMPARE(item->registry, RegistryAnswer::NotAsked);
    }
}

QTEST_GUILESS_MAIN(TestRunStages)
#include "tst_run_stages.moc"
