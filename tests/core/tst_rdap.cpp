#include "rdap/rdap_bootstrap.h"
#include "rdap/rdap_client.h"
#include "rdap/rdap_record.h"
#include "rdap_server.h"
#include "registry/network_text.h"
#include "registry/registry_confirmation.h"
#include "results/result_actions.h"
#include "results/run_summary.h"
#include "run/registries.h"
#include "server_process.h"
#include "test_support.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace nomispot;
using namespace std::chrono_literals;

namespace {

const QString kRegistryA = QStringLiteral("127.0.0.61");
const QString kRegistryB = QStringLiteral("127.0.0.62");
// Nothing listens here.
const QString kDeadRegistry = QStringLiteral("127.0.0.63");

RdapBootstrap bootstrapOf(const QMap<QString, QString>& servers) {
    RdapBootstrap bootstrap;
    for (auto it = servers.begin(); it != servers.end(); ++it)
        bootstrap.servers.emplace(it.key(), QUrl(it.value()));
    return bootstrap;
}

} // namespace

class TestRdap : public QObject {
    Q_OBJECT
private slots:
    void retryAfter_data();
    void retryAfter();
    void bootstrap();
    void bootstrapFiles();
    void domainRecord();
    void hostileRecord();
    void registryAnswerInCell_data();
    void registryAnswerInCell();
    void lookUps_data();
    void lookUps();
    void confirmation();
    void cancel();
};

void TestRdap::retryAfter_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("expectedMs"); // -1: none

    QTest::newRow("seconds") << QByteArray("5") << 5000;
    QTest::newRow("zero") << QByteArray(" 0 ") << 0;
    QTest::newRow("negative") << QByteArray("-3") << -1;
    QTest::newRow("date in 30 s") << QByteArray("Thu, 10 Dec 2026 12:00:30 GMT") << 30000;
    QTest::newRow("date past") << QByteArray("Thu, 10 Dec 2026 11:00:00 GMT") << 0;
    QTest::newRow("garbage") << QByteArray("soon") << -1;
    QTest::newRow("empty") << QByteArray() << -1;
}

void TestRdap::retryAfter() {
    QFETCH(QByteArray, header);
    QFETCH(int, expectedMs);
    const QDateTime now(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    const std::optional<std::chrono::milliseconds> delay = retryAfterDelay(header, now);
    QCOMPARE(delay ? int(delay->count()) : -1, expectedMs);
}

void TestRdap::bootstrap() {
    const QByteArray json = R"({"version": "1.0", "publication": "2026-01-01T00:00:00Z",
        "services": [
          [["com", "NET"], ["http://plain.example/rdap", "https://secure.example/rdap/"]],
          [["uk"], ["https://uk.example/"]],
          [["co.uk"], ["https://co-uk.example/v1/"]],
          [["old"], ["http://old.example/"]],
          [["Org.", "..", ".bad"], ["https://org.example/"]],
          [["broken"], ["not a url"]],
          "garbage"
        ]})";
    const Result<RdapBootstrap> strict = parseRdapBootstrap(json, false);
    QVERIFY(strict);
    QCOMPARE(strict->publication, QStringLiteral("2026-01-01T00:00:00Z"));
    // https wins, a path gets its slash, case is ignored, the longest suffix wins.
    QCOMPARE(rdapServerFor(*strict, QStringLiteral("name.com")),
             QUrl(QStringLiteral("https://secure.example/rdap/")));
    QCOMPARE(rdapServerFor(*strict, QStringLiteral("Name.Net.")),
             QUrl(QStringLiteral("https://secure.example/rdap/")));
    QCOMPARE(rdapServerFor(*strict, QStringLiteral("name.co.uk")),
             QUrl(QStringLiteral("https://co-uk.example/v1/")));
    QCOMPARE(rdapServerFor(*strict, QStringLiteral("name.uk")),
             QUrl(QStringLiteral("https://uk.example/")));
    // Plain http only where the user named the file.
    QCOMPARE(rdapServerFor(*strict, QStringLiteral("name.old")), std::nullopt);
    const Result<RdapBootstrap> lenient = parseRdapBootstrap(json, true);
    QVERIFY(lenient);
    QCOMPARE(rdapServerFor(*lenient, QStringLiteral("name.old")),
             QUrl(QStringLiteral("http://old.example/")));
    QCOMPARE(rdapServerFor(*strict, QStringLiteral("name.broken")), std::nullopt);
    // A suffix written as a full name (trailing dot) still matches; empty labels never do.
    QCOMPARE(rdapServerFor(*strict, QStringLiteral("name.org")),
             QUrl(QStringLiteral("https://org.example/")));
    QCOMPARE(strict->servers.size(), std::size_t(5));
    QCOMPARE(rdapServerFor(*strict, QStringLiteral("com")), std::nullopt);
    QCOMPARE(noRdapServerMessage(QStringLiteral("name.zz.")),
             QStringLiteral("No registry look-up known for .zz"));

    QVERIFY(!parseRdapBootstrap("{\"services\": 3}", false));
    QVERIFY(!parseRdapBootstrap("[1, 2", false));
}

void TestRdap::bootstrapFiles() {
    QTemporaryDir dataDir;
    QVERIFY(dataDir.isValid());
    const auto bootstrapFile = [](const QString& path, const char* publication,
                                  const char* server) {
        return test::writeTextFile(
            path, QStringLiteral(R"({"publication": "%1", "services": [[["com"], ["%2"]]]})")
                      .arg(QLatin1String(publication), QLatin1String(server)));
    };
    // The snapshot that ships, and the built-in entries for TLDs it lacks.
    QVERIFY(bootstrapFile(shippedRdapBootstrapPath(dataDir.path()), "2023-05-29T20:32:53Z",
                          "https://shipped.example/"));
    Result<RdapBootstrap> loaded = loadRdapBootstrap(dataDir.path());
    QVERIFY(loaded);
    QCOMPARE(rdapServerFor(*loaded, QStringLiteral("a.com"))->host(),
             QStringLiteral("shipped.example"));
    QVERIFY(rdapServerFor(*loaded, QStringLiteral("a.de")));

    // A copy the user saved replaces it when newer, not when older.
    const QString userPath = userRdapBootstrapPath();
    QVERIFY(QDir().mkpath(QFileInfo(userPath).path()));
    QVERIFY(bootstrapFile(userPath, "2022-01-01T00:00:00Z", "https://older.example/"));
    QCOMPARE(rdapServerFor(*loadRdapBootstrap(dataDir.path()), QStringLiteral("a.com"))->host(),
             QStringLiteral("shipped.example"));
    QVERIFY(bootstrapFile(userPath, "2026-11-30T00:00:00Z", "https://newer.example/"));
    QCOMPARE(rdapServerFor(*loadRdapBootstrap(dataDir.path()), QStringLiteral("a.com"))->host(),
             QStringLiteral("newer.example"));
    QFile::remove(userPath);

    // The file the environment names wins, http allowed, nothing added.
    const QString named = dataDir.filePath(QStringLiteral("mirror.json"));
    QVERIFY(bootstrapFile(named, "2020-01-01T00:00:00Z", "http://mirror.example/"));
    qputenv("NOMISPOT_RDAP_BOOTSTRAP", named.toLocal8Bit());
    loaded = loadRdapBootstrap(dataDir.path());
    qunsetenv("NOMISPOT_RDAP_BOOTSTRAP");
    QVERIFY(loaded);
    QCOMPARE(rdapServerFor(*loaded, QStringLiteral("a.com"))->host(),
             QStringLiteral("mirror.example"));
    QVERIFY(!rdapServerFor(*loaded, QStringLiteral("a.de")));

    // A missing or broken snapshot says which file and why.
    QVERIFY(test::writeTextFile(shippedRdapBootstrapPath(dataDir.path()), QStringLiteral("{")));
    loaded = loadRdapBootstrap(dataDir.path());
    QVERIFY(!loaded);
    QVERIFY2(loaded.error().message.contains(QStringLiteral("rdap-dns.json")),
             qPrintable(loaded.error().message));
    const Result<RdapBootstrap> missing = loadRdapBootstrap(dataDir.filePath("nowhere"));
    QVERIFY(!missing);
    QVERIFY(missing.error().message.startsWith(QStringLiteral("Cannot read")));

    // The snapshot that ships is IANA's of 2026-07-23: usable, it knows the big registries, the
    // hand-collected country ones are added, and kg and mg answer over plain http only.
    const Result<RdapBootstrap> shipped = loadRdapBootstrap(test::binDir());
    QVERIFY2(shipped, qPrintable(shipped ? QString() : shipped.error().message));
    QCOMPARE(shipped->publication, QStringLiteral("2026-07-23T02:00:03Z"));
    for (const char* name :
         {"a.com", "a.net", "a.org", "a.info", "a.app", "a.nl", "a.de", "a.io", "a.us", "a.co"})
        QVERIFY2(rdapServerFor(*shipped, QString::fromLatin1(name)), name);
    for (const char* name : {"a.kg", "a.mg"})
        QCOMPARE(rdapServerFor(*shipped, QString::fromLatin1(name)).value_or(QUrl()).scheme(),
                 QStringLiteral("http"));
}

void TestRdap::domainRecord() {
    const Result<RegistrationRecord> record = parseRdapDomain(test::rdapDomainJson(
        QStringLiteral("HELD.COM"), QStringLiteral("Example Registrar, Inc."),
        QStringLiteral("2019-03-04T05:06:07Z"), QStringLiteral("2027-03-04T05:06:07.123Z")));
    QVERIFY(record);
    QCOMPARE(record->ldhName, QStringLiteral("HELD.COM"));
    QVERIFY(isRecordOf(*record, QStringLiteral("held.com.")));
    QVERIFY(!isRecordOf(*record, QStringLiteral("other.com")));
    QCOMPARE(record->registrar, QStringLiteral("Example Registrar, Inc."));
    QCOMPARE(record->registered, QDateTime(QDate(2019, 3, 4), QTime(5, 6, 7), Qt::UTC));
    QCOMPARE(record->expires.date(), QDate(2027, 3, 4));
    QCOMPARE(record->status, (QStringList{QStringLiteral("client hold"),
                                          QStringLiteral("client transfer prohibited")}));
    QCOMPARE(record->nameservers, QStringList{QStringLiteral("ns1.example.net")});
    QCOMPARE(describeRegistration(*record),
             QStringLiteral("Registrar: Example Registrar, Inc.\nRegistered: 2019-03-04\n"
                            "Expires: 2027-03-04\nStatus: client hold, client transfer "
                            "prohibited\nName servers: ns1.example.net"));
    // A bare domain object still reads; anything else does not.
    const Result<RegistrationRecord> bare = parseRdapDomain(R"({"objectClassName": "domain"})");
    QVERIFY(bare);
    QCOMPARE(describeRegistration(*bare),
             QStringLiteral("Registered; the registry gives no details."));
    QVERIFY(!parseRdapDomain(R"({"objectClassName": "entity"})"));
    QVERIFY(!parseRdapDomain(R"([{"objectClassName": "domain"}])"));
    QVERIFY(!parseRdapDomain("{\"objectClassName\": \"domain\""));
    // Odd members are skipped, not fatal.
    QVERIFY(parseRdapDomain(R"({"objectClassName": "domain", "entities": 7, "events": [1]})"));
    // A name in its own script counts where there is no LDH name; no name, no match.
    const Result<RegistrationRecord> unicode =
        parseRdapDomain(R"({"objectClassName": "domain", "unicodeName": "CAFÉ.example"})");
    QVERIFY(unicode && isRecordOf(*unicode, QStringLiteral("xn--caf-dma.example")));
    QVERIFY(!isRecordOf(*bare, QStringLiteral("held.com")));
}

// What a hostile registry writes reaches no terminal, file or text box raw, nor without bound.
void TestRdap::hostileRecord() {
    const QString huge(4'000'000, u'x');
    const QByteArray json =
        QJsonDocument(
            QJsonObject{{"objectClassName", "domain"},
                        {"ldhName", "held.test"},
                        {"status", QJsonArray{QString::fromUtf8("\x1b]0;owned\x07"
                                                                "client\u202e hold\n"),
                                              huge, "=HYPERLINK(\"http://x\")"}},
                        {"entities",
                         QJsonArray{QJsonObject{
                             {"roles", QJsonArray{"registrar"}},
                             {"vcardArray",
                              QJsonArray{"vcard", QJsonArray{QJsonArray{
                                                      "fn", QJsonObject{}, "text",
                                                      QStringLiteral("Evil\r\nRegistrar\0")}}}}}}}})
            .toJson();
    const Result<RegistrationRecord> record = parseRdapDomain(json);
    QVERIFY(record);
    QCOMPARE(record->registrar, QStringLiteral("Evil Registrar"));
    QCOMPARE(record->status.value(0), QStringLiteral("]0;ownedclient hold"));
    QCOMPARE(record->status.value(1).size(), kNetworkTextLimit + 1);
    QVERIFY(record->status.value(1).endsWith(u'…'));
    const QString words = describeRegistration(*record);
    for (const QString& line : words.split(u'\n'))
        QVERIFY(line.size() < 600);

    QCOMPARE(cleanNetworkText(u"  a\tb \x1b[31m c\u0085  "), QStringLiteral("a b [31m c"));
    QCOMPARE(cleanNetworkText(QString::fromUtf8("été 😀 ok"), 5), QString::fromUtf8("été 😀…"));
    QCOMPARE(cleanNetworkLines(u"ab\ncdefg\x1b", 3), QStringLiteral("ab\ncde\nfg"));
}

void TestRdap::lookUps_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("detail"); // the registrar, or the start of the reason
    QTest::addColumn<int>("requests");   // how many questions the registry saw

    QTest::newRow("registered") << "held.test" << int(RegistryAnswer::Found) << "Example Registrar"
                                << 1;
    QTest::newRow("not registered") << "free.test" << int(RegistryAnswer::NotFound) << "" << 1;
    QTest::newRow("429, then the answer")
        << "busy.test" << int(RegistryAnswer::Found) << "Example Registrar" << 2;
    QTest::newRow("429 without end")
        << "flood.test" << int(RegistryAnswer::Unknown) << "the registry asks to wait" << 3;
    QTest::newRow("slow past the time-out") << "slow.test" << int(RegistryAnswer::Unknown)
                                            << "no answer from 127.0.0.61 within 1 s" << 1;
    QTest::newRow("malformed JSON")
        << "broken.test" << int(RegistryAnswer::Unknown) << "the answer is not JSON" << 1;
    QTest::newRow("server error") << "down.test" << int(RegistryAnswer::Unknown)
                                  << "the registry answered HTTP 503" << 1;
    QTest::newRow("TLD not in the bootstrap")
        << "name.zz" << int(RegistryAnswer::Unknown) << "No registry look-up known for .zz" << 0;
    QTest::newRow("nobody listening")
        << "name.dead" << int(RegistryAnswer::Unknown) << "127.0.0.63: Connection refused" << 0;
    QTest::newRow("reason phrase with escapes") << "odd.test" << int(RegistryAnswer::Unknown)
                                                << "the registry answered HTTP 503 ]0;x Down" << 1;
    // Hostile servers: every answer ends, bounded in bytes and time, and says why.
    QTest::newRow("body without end") << "forever.test" << int(RegistryAnswer::Unknown)
                                      << "the registry's answer is too large (over 4 MB)" << 1;
    QTest::newRow("body dripped") << "drip.test" << int(RegistryAnswer::Unknown)
                                  << "the answer from 127.0.0.61 did not complete within 1 s" << 1;
    QTest::newRow("body short of its length")
        << "cut.test" << int(RegistryAnswer::Unknown)
        << "the connection to 127.0.0.61 broke off after 476 bytes" << 1;
    QTest::newRow("connection reset mid-body")
        << "reset.test" << int(RegistryAnswer::Unknown)
        << "the connection to 127.0.0.61 broke off after" << 1;
    QTest::newRow("answer about another domain")
        << "other.test" << int(RegistryAnswer::Unknown)
        << "the registry answered about another domain (held.test)" << 1;
    QTest::newRow("redirect within the origin")
        << "moved.test" << int(RegistryAnswer::Found) << "Example Registrar" << 2;
    QTest::newRow("redirect loop") << "loop.test" << int(RegistryAnswer::Unknown)
                                   << "the registry redirected more than 3 times" << 4;
    QTest::newRow("redirect to plain http elsewhere")
        << "away.test" << int(RegistryAnswer::Unknown)
        << "the registry redirected to http://127.0.0.62:8053/rdap/domain/away.test, which is not "
           "https"
        << 1;
}

void TestRdap::lookUps() {
    QFETCH(QString, domain);
    QFETCH(int, answer);
    QFETCH(QString, detail);
    QFETCH(int, requests);

    const QByteArray held = test::rdapDomainJson(
        QStringLiteral("held.test"), QStringLiteral("Example Registrar"),
        QStringLiteral("2020-01-01T00:00:00Z"), QStringLiteral("2030-01-01T00:00:00Z"));
    const auto answerFor = [](const char* name) {
        return test::rdapDomainJson(QString::fromLatin1(name), QStringLiteral("Example Registrar"),
                                    QStringLiteral("2020-01-01T00:00:00Z"),
                                    QStringLiteral("2030-01-01T00:00:00Z"));
    };
    test::RdapServer registry(
        kRegistryA, {{"held.test.json", held},
                     {"busy.test.json", answerFor("busy.test")},
                     {"busy.test.429", "1 0"},
                     {"flood.test.429", "99 -"},
                     {"slow.test.slow", "3"},
                     {"broken.test.json", "{\"objectClassName\": "},
                     {"down.test.status", "503"},
                     {"odd.test.status", "503 \x1b]0;x\x07 Down"},
                     {"forever.test.forever", ""},
                     {"drip.test.drip", "0.2"},
                     {"cut.test.cut", held},
                     {"reset.test.reset", held},
                     {"other.test.json", held},
                     {"moved.test.redirect", "301 /v2/domain/moved.test"},
                     {"moved.test.json", answerFor("MOVED.test")},
                     {"loop.test.redirect", "302 /rdap/domain/loop.test2"},
                     {"loop.test2.redirect", "307 /rdap/domain/loop.test"},
                     {"away.test.redirect", "302 http://127.0.0.62:8053/rdap/domain/away.test"}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(registry);
    RdapPolicy policy;
    policy.interval = 50ms;
    policy.timeout = 1s;
    policy.attempts = 3;
    RdapClient client(bootstrapOf({{QStringLiteral("test"), registry.baseUrl()},
                                   {QStringLiteral("dead"),
                                    QStringLiteral("http://%1:8053/").arg(kDeadRegistry)}}),
                      policy);
    QSignalSpy answered(&client, &RdapClient::answered);
    QSignalSpy idle(&client, &RdapClient::idle);
    client.lookUp(7, domain);
    QCOMPARE(client.pending(), 1);
    QVERIFY(idle.wait(10000));
    QCOMPARE(answered.size(), 1);
    QCOMPARE(answered[0][0].toInt(), 7);
    const auto outcome = answered[0][1].value<RegistryOutcome>();
    QCOMPARE(int(outcome.answer), answer);
    if (outcome.answer == RegistryAnswer::Found)
        QCOMPARE(outcome.record.registrar, detail);
    else if (!detail.isEmpty())
        QVERIFY2(outcome.reason.startsWith(detail), qPrintable(outcome.reason));
    const std::vector<test::RdapServer::Request> seen = registry.requests();
    QCOMPARE(int(seen.size()), requests);
    if (!seen.empty())
        QCOMPARE(seen.front().path, QStringLiteral("/rdap/domain/") + domain);
    // Redirects and repeats are paced like questions: one interval apart at least.
    for (std::size_t i = 1; i < seen.size(); ++i)
        QVERIFY2(seen[i].seconds - seen[i - 1].seconds >= 0.045,
                 qPrintable(QString::number(seen[i].seconds - seen[i - 1].seconds)));
    QCOMPARE(client.pending(), 0);
}

void TestRdap::registryAnswerInCell_data() {
    QTest::addColumn<int>("dnsState");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("status");
    QTest::addColumn<QString>("expires");
    QTest::addColumn<QString>("described");

    const int free = int(CheckState::Available);
    const int taken = int(CheckState::Unavailable);
    const int found = int(RegistryAnswer::Found);
    QTest::newRow("held, ending") << free << found << QStringList{"pending delete"} << "2027-01-02"
                                  << "a.test is taken: registered, not in DNS; may become free "
                                     "soon (pending delete); expires 2027-01-02";
    QTest::newRow("taken, in redemption (EPP word)")
        << taken << found << QStringList{"redemptionPeriod", "serverHold"} << "2026-12-01"
        << "a.test is taken; may become free soon (redemptionPeriod, serverHold); expires "
           "2026-12-01";
    QTest::newRow("taken, active, no date") << taken << found << QStringList{"active"} << ""
                                            << "a.test is taken";
    QTest::newRow("taken, registry knows nothing")
        << taken << int(RegistryAnswer::NotFound) << QStringList{} << ""
        << "a.test is taken";
    QTest::newRow("free, no answer") << free << int(RegistryAnswer::Unknown) << QStringList{} << ""
                                     << "a.test is available; the registry could not confirm "
                                        "it: no answer";
}

// What a registry's answer leaves in a cell: taken stays taken, free turns taken only when held,
// and a registration's end and ending statuses show.
void TestRdap::registryAnswerInCell() {
    QFETCH(int, dnsState);
    QFETCH(int, answer);
    QFETCH(QStringList, status);
    QFETCH(QString, expires);
    QFETCH(QString, described);
    CheckItem item;
    item.domain = QStringLiteral("a.test");
    item.state = CheckState(dnsState);
    RegistryOutcome outcome;
    outcome.answer = RegistryAnswer(answer);
    outcome.source = RegistrySource::Rdap;
    outcome.record.status = status;
    outcome.record.expires = QDateTime(QDate::fromString(expires, Qt::ISODate), {}, Qt::UTC);
    outcome.reason = QStringLiteral("no answer");
    applyRegistryOutcome(item, outcome);
    QCOMPARE(stateDescription(item), described);
    QCOMPARE(item.expires.toString(Qt::ISODate), expires);
    QCOMPARE(item.registrySource, RegistrySource::Rdap);
}

void TestRdap::confirmation() {
    const QByteArray held = test::rdapDomainJson(
        QStringLiteral("held.test"), QStringLiteral("Example Registrar"),
        QStringLiteral("2020-01-01T00:00:00Z"), QStringLiteral("2030-01-01T00:00:00Z"));
    test::RdapServer registryA(kRegistryA, {{"held.test.json", held}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(registryA);
    test::RdapServer registryB(kRegistryB, {});
    NOMISPOT_REQUIRE_SERVER_RUNNING(registryB);

    // Columns test, other, zz; rows held, free, taken; taken is taken in the DNS.
    CheckTable table;
    table.reset(3, 3);
    const QStringList suffixes{"test", "other", "zz"};
    const QStringList names{"held", "free", "taken"};
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 3; ++r) {
            CheckItem& item = table.at(c, r);
            item.domain = names[r - 1] + u'.' + suffixes[c - 1];
            item.state = r == 3 ? CheckState::Unavailable : CheckState::Available;
        }
    RegistryPolicy policy;
    policy.rdap.interval = 50ms;
    const std::unique_ptr<RegistryClient> client = makeRegistryClient(
        {bootstrapOf({{"test", registryA.baseUrl()}, {"other", registryB.baseUrl()}}), {}}, policy);
    RegistryConfirmation confirmation(table, *client);
    QSignalSpy finished(&confirmation, &RegistryConfirmation::finished);
    QSignalSpy confirmed(&confirmation, &RegistryConfirmation::confirmed);
    QCOMPARE(confirmation.start(), 6);
    QVERIFY(finished.wait(10000));
    QCOMPARE(confirmed.size(), 6);

    const CheckItem& heldTest = table.at(1, 1);
    QCOMPARE(heldTest.state, CheckState::Unavailable);
    QCOMPARE(heldTest.registry, RegistryAnswer::Found);
    QCOMPARE(reasonText(heldTest), QStringLiteral("registered, not in DNS"));
    QCOMPARE(heldTest.registryNote, QStringLiteral("client hold, client transfer prohibited"));
    QCOMPARE(table.at(1, 2).registry, RegistryAnswer::NotFound);
    QCOMPARE(table.at(1, 2).state, CheckState::Available);
    QCOMPARE(table.at(2, 1).registry, RegistryAnswer::NotFound);
    QCOMPARE(table.at(3, 1).registry, RegistryAnswer::Unknown);
    QCOMPARE(table.at(3, 1).state, CheckState::Available);
    QCOMPARE(table.at(1, 3).registry, RegistryAnswer::NotAsked); // taken in the DNS: not asked
    QCOMPARE(registrySummary(table),
             QStringLiteral("Registries: 3 free confirmed, 1 registered but not in DNS, "
                            "2 not confirmed (No registry look-up known for .zz)."));

    // Asked again, only what is not confirmed yet goes out.
    const std::size_t seen = registryA.requests().size() + registryB.requests().size();
    QCOMPARE(confirmation.start(), 2);
    QVERIFY(finished.wait(10000));
    QCOMPARE(registryA.requests().size() + registryB.requests().size(), seen);

    // With the taken names: the three taken in the DNS go out too, and stay taken.
    QCOMPARE(confirmation.start(RegistryConfirmation::Scope::FreeAndTakenNames), 5);
    QVERIFY(finished.wait(10000));
    QCOMPARE(registryA.requests().size() + registryB.requests().size(), seen + 2);
    QCOMPARE(table.at(1, 3).registry, RegistryAnswer::NotFound);
    QCOMPARE(table.at(1, 3).state, CheckState::Unavailable);
    QCOMPARE(table.at(3, 3).registry, RegistryAnswer::Unknown);
}

void TestRdap::cancel() {
    test::RdapServer registry(kRegistryA, {{"slow.test.slow", "2"}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(registry);
    RdapClient client(bootstrapOf({{"test", registry.baseUrl()}}), {});
    QSignalSpy answered(&client, &RdapClient::answered);
    client.lookUp(1, QStringLiteral("slow.test"));
    client.lookUp(2, QStringLiteral("other.test"));
    QTest::qWait(300); // the first question is under way, the second waits its turn
    client.lookUp(3, QStringLiteral("name.zz")); // its answer is queued, not yet delivered
    client.cancel();
    QCOMPARE(client.pending(), 0);
    QTest::qWait(2500);
    QCOMPARE(answered.size(), 0);
    QCOMPARE(registry.requests().size(), std::size_t(1));
    // Reusable after a cancel.
    client.lookUp(4, QStringLiteral("other.test"));
    QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 1, 5000);
    QCOMPARE(answered[0][0].toInt(), 4);
}

QTEST_GUILESS_MAIN(TestRdap)
#include "tst_rdap.moc"
