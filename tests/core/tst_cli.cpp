#include "catalogue/catalogue_file.h"
#include "engine/network.h"
#include "engine/run_plan.h"
#include "names/name_table.h"
#include "nsd_server.h"
#include "rdap_server.h"
#include "results/result_actions.h"
#include "results/result_formats.h"
#include "settings/settings_ops.h"
#include "test_support.h"
#include "whois_server.h"
#include "wire_log.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>

using namespace nomispot;

namespace {

const QString kNameserver = QStringLiteral("127.53.0.3");
// A nameserver that never answers: the tests that ask it bind its port and stay silent.
const QString kSilentNameserver = QStringLiteral("127.53.0.98");
// Nothing listens here: every question comes back refused (port unreachable).
const QString kDeadNameserver = QStringLiteral("127.53.0.99");

using States = QMap<QString, QString>;
using ServedFiles = QMap<QString, QByteArray>; // a test server's files by name

struct CliResult {
    int status = -1;
    QString out;
    QString err;
};

// One CSV record per line.
QList<QStringList> parseCsv(const QString& text) {
    QList<QStringList> records;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
        records << csvLineFields(line).value_or(QStringList{});
    return records;
}

const QString kRelay = QStringLiteral("127.53.0.17");

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void formatsAgree_data();
    void formatsAgree();
    void onlyAvailable();
    void inputSources_data();
    void inputSources();
    void notRegistrable();
    void exitStatus_data();
    void exitStatus();
    void interrupted();
    void endlessInput();
    void longList_data();
    void longList();
    void interruptThenResume();
    void resumeRefusesForeignFile_data();
    void resumeRefusesForeignFile();
    void resumeDropsACutRow();
    void zoneFileAnswers();
    void outputCannotBeWritten_data();
    void outputCannotBeWritten();
    void storedValues_data();
    void storedValues();
    void searchSet_data();
    void searchSet();
    void confirm();
    void refreshRegistryList_data();
    void refreshRegistryList();
    void confirmRefreshesOldList();
    void confirmAcrossRuns();
    void deadNameserver();
    void resumeAsksNoRegistryAgain();

private:
    // Starts the built program on the test's settings and resolver configuration.
    void start(QProcess& process, const QStringList& args);
    CliResult run(const QStringList& args, const QByteArray& input = {});
    QStringList fastRun() const;
    // Runs the program to its end while this process's event loop turns (for the relay).
    CliResult runLooping(const QStringList& args);
    QString writeNames(int count);
    // The runs ask WHOIS servers of this table alone.
    bool useWhoisServers(const QMap<QString, QString>& servers);
    // Environment of the next runs beyond the usual: an empty value removes the variable.
    QMap<QString, QString> m_environment;

    std::unique_ptr<test::NsdServer> m_nsd;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    TldCatalogue m_catalogue;
};

void TestCli::initTestCase() {
    m_nsd = std::make_unique<test::NsdServer>(kNameserver, test::NsdServer::standardZones());
    if (!m_nsd->start()) {
        if (m_nsd->failed() || qEnvironmentVariableIsSet("NOMISPOT_REQUIRE_NSD"))
            QFAIL(qPrintable(m_nsd->skipReason()));
        QSKIP(qPrintable(m_nsd->skipReason()));
    }
    QVERIFY(QFile::exists(test::binDir() + QStringLiteral("/nomispot-check")));
    const Result<LoadedCatalogue> loaded = LoadCatalogue(catalogueFilePath(test::binDir()));
    QVERIFY(loaded);
    m_catalogue = loaded->catalogue;
}

void TestCli::init() {
    // A fresh settings file and resolver configuration for every test.
    m_store.reset();
    m_environment.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Empty, but there: a settings file named on the command line must exist.
    QFile settings(m_dir->filePath(QStringLiteral("Nomispot.ini")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.close();
    m_store = std::make_unique<SettingsStore>(settings.fileName());
    QFile resolv(m_dir->filePath(QStringLiteral("resolv.conf")));
    QVERIFY(resolv.open(QIODevice::WriteOnly));
    resolv.write("nameserver " + kSilentNameserver.toLatin1() + "\n");
}

void TestCli::start(QProcess& process, const QStringList& args) {
    m_store->flush();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NOMISPOT_RESOLV_CONF"),
               m_dir->filePath(QStringLiteral("resolv.conf")));
    env.insert(QStringLiteral("NOMISPOT_RDAP_BOOTSTRAP"),
               m_dir->filePath(QStringLiteral("rdap-dns.json")));
    // The self-test's findings and zone indexes of this test only.
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir->filePath(QStringLiteral("cache")));
    for (auto it = m_environment.begin(); it != m_environment.end(); ++it)
        if (it.value().isEmpty())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.start(test::binDir() + QStringLiteral("/nomispot-check"),
                  QStringList{QStringLiteral("--settings"), m_store->path()} + args);
}

bool TestCli::useWhoisServers(const QMap<QString, QString>& servers) {
    QFile table(m_dir->filePath(QStringLiteral("whois-servers.tsv")));
    if (!table.open(QIODevice::WriteOnly) || table.write(test::whoisServersTable(servers)) <= 0)
        return false;
    m_environment.insert(QStringLiteral("NOMISPOT_WHOIS_SERVERS"), table.fileName());
    return true;
}

CliResult TestCli::run(const QStringList& args, const QByteArray& input) {
    QProcess process;
    start(process, args);
    if (!process.waitForStarted(10000))
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    CliResult result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList TestCli::fastRun() const {
    return {QStringLiteral("--nameserver"), kNameserver,
            QStringLiteral("--delay"),      QStringLiteral("5"),
            QStringLiteral("--retries"),    QStringLiteral("2")};
}

void TestCli::formatsAgree_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("tlds"); // empty: the default list
    QTest::addColumn<States>("expected");
    QTest::addColumn<int>("refused"); // what the summary on standard error counts

    QTest::newRow("separately, default list")
        << "taken free" << int(CheckMode::Separately) << QStringList{}
        << States{{"taken.com", "unavailable"},
                  {"free.com", "available"},
                  {"taken.net", "unavailable"},
                  {"free.net", "available"},
                  // Zones the server does not serve are refused: never judged.
                  {"taken.org", "not_checked"},
                  {"free.nu", "not_checked"}}
        << 12;
    QTest::newRow("combinations, default list")
        << "taken,free" << int(CheckMode::Combinations) << QStringList{}
        << States{{"taken.com", "unavailable"},   {"takenfree.com", "available"},
                  {"freetaken.com", "available"}, {"free.com", "available"},
                  {"taken.net", "unavailable"},   {"free.tv", "not_checked"}}
        << 24;
    QTest::newRow("given suffixes, unknown tld")
        << "taken free Taken2" << int(CheckMode::Separately)
        << QStringList{"com", "co.uk", "org.uk", "zz"}
        << States{{"taken.com", "unavailable"},   {"free.com", "available"},
                  {"Taken2.com", "unavailable"},  {"taken.co.uk", "unavailable"},
                  {"free.co.uk", "available"},    {"taken.org.uk", "available"},
                  {"free.org.uk", "unavailable"}, {"taken.zz", "not_checked"}}
        << 3;
    QTest::newRow("complete names")
        << "taken.com free.net taken.zz" << int(CheckMode::Combinations) << QStringList{}
        << States{{"taken.com", "unavailable"},
                  {"free.net", "available"},
                  {"taken.zz", "not_checked"}}
        << 1;
}

void TestCli::formatsAgree() {
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QStringList, tlds);
    QFETCH(States, expected);
    QFETCH(int, refused);

    QStringList args = fastRun();
    if (CheckMode(mode) == CheckMode::Combinations)
        args << QStringLiteral("--combinations");
    if (!tlds.isEmpty())
        args << QStringLiteral("--tlds") << tlds.join(u',');
    // Names last: after "--" everything is a name.
    const QStringList nameArgs = QStringList{QStringLiteral("--")} + text.split(u' ');

    const CliResult csv =
        run(args + QStringList{QStringLiteral("--format"), QStringLiteral("csv")} + nameArgs);
    QCOMPARE(csv.status, 0);
    QCOMPARE(csv.err,
             QStringLiteral("%1 not checked: %1 refused by %2.\n").arg(refused).arg(kNameserver));
    const QList<QStringList> records = parseCsv(csv.out);
    QVERIFY(!records.isEmpty());
    QCOMPARE(records.first(),
             (QStringList{"domain", "name", "suffix", "state", "registry_site", "reason", "ascii",
                          "registry", "registry_status", "registry_source", "expires"}));

    // The run the window would make of the same text, with the states the CLI reported.
    RunRequest request{text, CheckMode(mode)};
    if (!tlds.isEmpty())
        request.suffixes = tlds;
    Result<RunPlan, RunRefusal> plan = planRun(request, m_catalogue);
    QVERIFY(plan);
    const NameTable& names = plan->names;
    const std::vector<ResultColumn>& columns = plan->columns;
    CheckTable& table = plan->candidates;
    QCOMPARE(records.size() - 1, qsizetype(table.candidateCount()));
    const QMap<QString, CheckState> stateOfWord{{"available", CheckState::Available},
                                                {"unavailable", CheckState::Unavailable},
                                                {"not_checked", CheckState::NotChecked}};
    States got;
    int row = 1;
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r, ++row) {
            const QStringList& record = records.at(row);
            CheckItem& item = table.at(c, r);
            QCOMPARE(record.size(), 11);
            QCOMPARE(record[6], record[0]); // ASCII names are sent as typed
            QCOMPARE(record[7], QStringLiteral("not-asked"));
            QCOMPARE(record[5],
                     record[3] == u"not_checked" ? QStringLiteral("refused") : QString());
            QCOMPARE(record[0], item.domain);
            QCOMPARE(record[1], names.Names[r - 1]);
            QCOMPARE(record[2], columns[std::size_t(c - 1)].suffix);
            QVERIFY2(stateOfWord.contains(record[3]), qPrintable(record[3]));
            item.state = stateOfWord.value(record[3]);
            const TldEntry& entry = entryOfCandidate(m_catalogue, item);
            QCOMPARE(record[4], entry.hasRegistrySite() ? entry.registrySite : QString());
            got.insert(item.domain, record[3]);
        }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(got.value(it.key()), it.value());

    // Text: the clipboard list, line for line.
    const CliResult plain = run(args + nameArgs);
    QCOMPARE(plain.status, 0);
    QCOMPARE(plain.out, clipboardText(table, m_catalogue).remove(u'\r'));

    // JSON: the same records.
    const CliResult json =
        run(args + QStringList{QStringLiteral("--format"), QStringLiteral("json")} + nameArgs);
    QCOMPARE(json.status, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.out.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray array = document.array();
    QCOMPARE(array.size(), records.size() - 1);
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonObject o = array.at(i).toObject();
        const QStringList& record = records.at(i + 1);
        QCOMPARE(o.size(), 11);
        QCOMPARE(o.value("domain").toString(), record[0]);
        QCOMPARE(o.value("name").toString(), record[1]);
        QCOMPARE(o.value("suffix").toString(), record[2]);
        QCOMPARE(o.value("state").toString(), record[3]);
        QCOMPARE(o.value("registry_site").toString(), record[4]);
        QCOMPARE(o.value("reason").toString(), record[5]);
        QCOMPARE(o.value("ascii").toString(), record[6]);
        QCOMPARE(o.value("registry").toString(), record[7]);
        QCOMPARE(o.value("registry_status").toString(), record[8]);
        QCOMPARE(o.value("registry_source").toString(), record[9]);
        QCOMPARE(o.value("expires").toString(), record[10]);
    }
}

void TestCli::onlyAvailable() {
    const QStringList args = fastRun() + QStringList{"--tlds", "com,net,zz", "taken", "free"};
    const CliResult all = run(args);
    QCOMPARE(all.status, 0);
    QStringList availableLines;
    for (const QString& line : all.out.split(u'\n', Qt::SkipEmptyParts))
        if (line.contains(QStringLiteral(" is available")))
            availableLines << line;
    QCOMPARE(availableLines.size(), 2);

    const CliResult text = run(args + QStringList{"--only-available"});
    QCOMPARE(text.status, 0);
    QCOMPARE(text.out, availableLines.join(u'\n') + u'\n');

    const CliResult csv = run(args + QStringList{"--only-available", "--format", "csv"});
    const QList<QStringList> records = parseCsv(csv.out);
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[1].value(0), QStringLiteral("free.com"));
    QCOMPARE(records[2].value(0), QStringLiteral("free.net"));
    QCOMPARE(records[1].value(3), QStringLiteral("available"));
    QCOMPARE(records[2].value(3), QStringLiteral("available"));
}

void TestCli::inputSources_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("file"); // written and passed with --file when not empty

    QTest::newRow("arguments") << QStringList{"taken", "free;Taken2"} << QByteArray()
                               << QByteArray();
    QTest::newRow("one argument") << QStringList{"taken, free Taken2"} << QByteArray()
                                  << QByteArray();
    QTest::newRow("standard input")
        << QStringList{} << QByteArray("taken\nfree  Taken2\n") << QByteArray();
    QTest::newRow("standard input, CR LF, no last line end")
        << QStringList{} << QByteArray("taken\r\nfree,Taken2") << QByteArray();
    QTest::newRow("file") << QStringList{} << QByteArray("ignored")
                          << QByteArray("taken\nfree\nTaken2\n");
    QTest::newRow("arguments then file")
        << QStringList{"taken"} << QByteArray() << QByteArray("free\r\n\r\nTaken2\r\n");
}

void TestCli::inputSources() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, file);

    QStringList args = fastRun() + QStringList{"--tlds", "com", "--format", "csv"};
    if (!file.isEmpty()) {
        const QString path = m_dir->filePath(QStringLiteral("names.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
        f.close();
        args << QStringLiteral("--file") << path;
    }
    const CliResult result = run(args + arguments, input);
    QCOMPARE(result.status, 0);
    const QList<QStringList> records = parseCsv(result.out);
    QCOMPARE(records.size(), 4);
    QCOMPARE(records[1].mid(0, 4), (QStringList{"taken.com", "taken", "com", "unavailable"}));
    QCOMPARE(records[2].mid(0, 4), (QStringList{"free.com", "free", "com", "available"}));
    QCOMPARE(records[3].mid(0, 4), (QStringList{"Taken2.com", "Taken2", "com", "unavailable"}));
}

void TestCli::exitStatus_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // expected on standard error

    QStringList words;
    for (int i = 0; i < 46; ++i)
        words << QStringLiteral("w%1").arg(i);
    // Where the illegal character is: the argument, or the line of the input.
    const auto illegal = [](const QString& where) {
        return illegalCharactersMessage().replace(u'\r', u'\n') +
               QStringLiteral("\n(%1)\n").arg(where);
    };

    QTest::newRow("completed")
        << QStringList{"--tlds", "zz", "taken"} << QByteArray() << 0
        << QStringLiteral("1 not checked: 1 refused by %1.\n").arg(kNameserver);
    QTest::newRow("suffix with a fullwidth full stop")
        << QStringList{"--tlds", QString::fromUtf8("co．uk"), "taken"} << QByteArray() << 0
        << QString();
    QTest::newRow("nothing but blanks") << QStringList{} << QByteArray("  \n\n") << 0 << QString();
    QTest::newRow("registry time-out out of range")
        << QStringList{"--confirm", "--registry-timeout", "0", "free"} << QByteArray() << 1
        << QStringLiteral(
               "--registry-timeout takes seconds from 1 to 120.\nTry 'nomispot-check --help'.\n");
    QTest::newRow("illegal argument")
        << QStringList{"foo", "foo_bar"} << QByteArray() << 1 << illegal("argument 2");
    QTest::newRow("illegal input") << QStringList{} << QByteArray("foo\nbar\r\nfoo\tbar\n") << 1
                                   << illegal("line 3 of standard input");
    QTest::newRow("a symbol") << QStringList{} << QByteArray("caf\xe2\x98\x83") << 1
                              << illegal("line 1 of standard input");
    // Letters of any script pass the reader; a name they cannot make a label of is named.
    QTest::newRow("a label no domain can have")
        << QStringList{}
        << QByteArray("a\xe2\x80\x8d"
                      "b")
        << 1
        << illegalCharactersMessage().replace(u'\r', u'\n') +
               QString::fromUtf8("\n\"a\u200db\" cannot be part of a domain name: a zero-width "
                                 "joiner or non-joiner is not allowed there\n");
    // Checked, and not registrable: no refusal, nothing left unchecked.
    QTest::newRow("a name starting with a hyphen")
        << QStringList{"--tlds", "com", "--", "ok", "-abc"} << QByteArray() << 0 << QString();
    QTest::newRow("lone carriage return")
        << QStringList{} << QByteArray("foo\rbar") << 1 << illegal("line 1 of standard input");
    QTest::newRow("NUL bytes") << QStringList{"--file", "/dev/zero"} << QByteArray() << 1
                               << illegal("line 1 of /dev/zero");
    QTest::newRow("a name too long to be one")
        << QStringList{} << QByteArray("a\n") + QByteArray(1025, 'x') << 1
        << QStringLiteral("A name in line 2 of standard input is longer than any domain name can "
                          "be.\n");
    QTest::newRow("too many combinations")
        << QStringList{"--combinations"} + words.mid(0, 17) << QByteArray() << 1
        << tooManyCombinationsMessage(17 * 17 * 8).replace(u'\r', u'\n') + u'\n';
    QTest::newRow("name table overflow")
        << QStringList{"--combinations"} + words << QByteArray() << 1
        << tooManyCombinationsMessage(46 * 46 * 8).replace(u'\r', u'\n') + u'\n';
    // A run takes 2048 / columns names; one name with more columns than that is refused.
    QStringList suffixes;
    for (int i = 0; i < 2049; ++i)
        suffixes << QStringLiteral("s%1").arg(i);
    QTest::newRow("one name over the limit")
        << QStringList{"--tlds", suffixes.join(u','), "x"} << QByteArray() << 1
        << tooManyCombinationsMessage(2049).replace(u'\r', u'\n') + u'\n';
    QTest::newRow("delay of 1 ms")
        << QStringList{"--delay", "1", "--tlds", "zz", "taken"} << QByteArray() << 0
        << QStringLiteral("1 not checked: 1 refused by %1.\n").arg(kNameserver);
    QTest::newRow("delay too short") << QStringList{"--delay", "0", "x"} << QByteArray() << 1
                                     << "Please select a number from 1 to 1000 ms.\n";
    QTest::newRow("delay too long") << QStringList{"--delay", "1001", "x"} << QByteArray() << 1
                                    << "Please select a number from 1 to 1000 ms.\n";
    QTest::newRow("delay not a number") << QStringList{"--delay", "soon", "x"} << QByteArray() << 1
                                        << "Please select a number from 1 to 1000 ms.\n";
    QTest::newRow("expiry without confirm") << QStringList{"--expiry", "x"} << QByteArray() << 1
                                            << "--expiry works with --confirm.\n"
                                               "Try 'nomispot-check --help'.\n";
    QTest::newRow("no retries") << QStringList{"--retries", "0", "x"} << QByteArray() << 1
                                << "Please select from 1 to 10 retries.\n";
    QTest::newRow("too many retries") << QStringList{"--retries", "11", "x"} << QByteArray() << 1
                                      << "Please select from 1 to 10 retries.\n";
    QTest::newRow("unknown option") << QStringList{"--bogus", "x"} << QByteArray() << 1
                                    << "Unknown option 'bogus'.\nTry 'nomispot-check --help'.\n";
    QTest::newRow("unknown format") << QStringList{"--format", "xml", "x"} << QByteArray() << 1
                                    << "Unknown format \"xml\": use text, csv, json or jsonl.\n"
                                       "Try 'nomispot-check --help'.\n";
    QTest::newRow("empty suffix") << QStringList{"--tlds", "com,,net", "x"} << QByteArray() << 1
                                  << "Unusable TLD list \"com,,net\": give suffixes such as "
                                     "com,net,co.uk.\nTry 'nomispot-check --help'.\n";
    QTest::newRow("missing file")
        << QStringList{"--file", "/nonexistent/names.txt"} << QByteArray() << 1
        << "Cannot read /nonexistent/names.txt: No such file or directory\n";
    // The test's own --settings comes first; the last one given counts.
    QTest::newRow("missing settings file")
        << QStringList{"--settings", "/nonexistent/Nomispot.ini", "x"} << QByteArray() << 1
        << "Cannot read the settings file /nonexistent/Nomispot.ini: No such file or directory\n";
    // Read without end, it would never let the check start.
    QTest::newRow("settings file is a device")
        << QStringList{"--settings", "/dev/zero", "x"} << QByteArray() << 1
        << "Cannot read the settings file /dev/zero: it is a device, not a file\n";
    // Empty: the system's nameserver (the test's resolv.conf names one where nothing listens).
    QTest::newRow("empty nameserver: the system's, dead")
        << QStringList{"--nameserver", "", "x"} << QByteArray() << 2
        << QStringLiteral("Nothing answers at %1:53 (connection refused): is a DNS server running "
                          "there?\n")
               .arg(kSilentNameserver);
    QTest::newRow("nameserver with a bad port")
        << QStringList{"--nameserver", "192.0.2.1:99999", "x"} << QByteArray() << 2
        << networkFailureMessage("192.0.2.1:99999", "the port must be a number from 1 to 65535")
                   .replace(u'\r', u'\n') +
               u'\n';
}

// Names no registry takes: the hyphen rule before asking, a reservation once NXDOMAIN comes.
void TestCli::notRegistrable() {
    const CliResult csv = run(fastRun() + QStringList{"--tlds", "com", "--format", "csv", "--",
                                                      "-abc", "q", "taken", "free"});
    QCOMPARE(csv.status, 0);
    QCOMPARE(csv.err, QString());
    const QList<QStringList> records = parseCsv(csv.out);
    QCOMPARE(records.size(), 5);
    const auto stateAndReason = [&](int row) {
        return records.at(row).at(3) + u'|' + records.at(row).at(5);
    };
    QCOMPARE(stateAndReason(1),
             QStringLiteral("not_registrable|a name cannot start with a hyphen"));
    QCOMPARE(stateAndReason(2),
             QStringLiteral("not_registrable|reserved by the registry (single-character names "
                            "under .com and .net)"));
    QCOMPARE(stateAndReason(3), QStringLiteral("unavailable|"));
    QCOMPARE(stateAndReason(4), QStringLiteral("available|"));
    const CliResult text = run(fastRun() + QStringList{"--tlds", "com", "--", "-abc"});
    QCOMPARE(text.out, QStringLiteral(
                           "-abc.com cannot be registered (a name cannot start with a hyphen).\n"));
}

void TestCli::exitStatus() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, message);

    const CliResult result = run(fastRun() + arguments, input);
    QCOMPARE(result.status, status);
    QCOMPARE(result.err, message);
    if (status != 0)
        QCOMPARE(result.out, QString()); // no results for a run that never started
}

void TestCli::interrupted() {
    QProcess process;
    // A second a query: the run lasts 15 s unless interrupted.
    start(process, {"--nameserver", kNameserver, "--delay", "1000", "--retries", "1", "--progress",
                    "--tlds", "com,zz", "taken"});
    QVERIFY(process.waitForStarted());
    process.closeWriteChannel();
    QString progress;
    QTRY_VERIFY_WITH_TIMEOUT(
        (progress += QString::fromUtf8(process.readAllStandardError())).contains("1/2 done"),
        10000);
    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    // The answer that came is kept; the unanswered query is not checked, as cancelled.
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()),
             QStringLiteral("taken.com is unavailable.\ntaken.zz was not checked.\n"));
    progress += QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(progress.contains(QStringLiteral("1 not checked: 1 cancelled.")),
             qPrintable(progress));
}

void TestCli::storedValues_data() {
    QTest::addColumn<QString>("storedNameserver"); // empty: none stored
    QTest::addColumn<QString>("storedRetries");    // empty: none stored
    QTest::addColumn<QString>("systemNameserver");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("state"); // of taken.com

    const QString good = kNameserver, silent = kSilentNameserver;
    QTest::newRow("stored nameserver") << good << "" << silent << QStringList{} << "unavailable";
    QTest::newRow("system nameserver when none stored")
        << ""
        << "" << good << QStringList{} << "unavailable";
    QTest::newRow("stored nameserver before the system's")
        << silent << "1" << good << QStringList{} << "not_checked";
    QTest::newRow("given nameserver before the stored one")
        << silent << "" << silent << QStringList{"--nameserver", good} << "unavailable";
    // The program runs a stored 0 as it stands: nothing is sent.
    QTest::newRow("stored retries") << good << "0" << silent << QStringList{} << "not_checked";
    QTest::newRow("given retries before the stored ones")
        << good << "0" << silent << QStringList{"--retries", "1"} << "unavailable";
}

void TestCli::storedValues() {
    QFETCH(QString, storedNameserver);
    QFETCH(QString, storedRetries);
    QFETCH(QString, systemNameserver);
    QFETCH(QStringList, arguments);
    QFETCH(QString, state);

    const QString main = QString::fromLatin1(kSectionMain);
    m_store->write(main, QStringLiteral("delay"), QStringLiteral("5"));
    if (!storedNameserver.isEmpty())
        m_store->write(main, QStringLiteral("dns"), storedNameserver);
    if (!storedRetries.isEmpty())
        m_store->write(main, QStringLiteral("retries"), storedRetries);
    QFile resolv(m_dir->filePath(QStringLiteral("resolv.conf")));
    QVERIFY(resolv.open(QIODevice::WriteOnly | QIODevice::Truncate));
    resolv.write("# written by the test\nsearch example.org\nnameserver\t" +
                 systemNameserver.toLatin1() + "\nnameserver " + kSilentNameserver.toLatin1() +
                 "\n");
    resolv.close();

    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress(kSilentNameserver), 53));
    const CliResult result =
        run(arguments + QStringList{"--tlds", "com", "--format", "csv", "taken"});
    QCOMPARE(result.status, 0);
    const QList<QStringList> records = parseCsv(result.out);
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[1].value(3), state);
    // Nothing asked at all is said, with what to change.
    if (storedRetries == u"0" && arguments.isEmpty())
        QCOMPARE(result.err, QStringLiteral("Nothing was asked: the number of retries is 0; choose "
                                            "1 to 10 (--retries). 1 not checked: 1 not sent.\n"));
}

void TestCli::searchSet_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("user");

    QTest::newRow("default list, whatever was chosen") << QStringList{} << false;
    QTest::newRow("personal selection") << QStringList{"--selection"} << true;
}

void TestCli::searchSet() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, user);

    // The personal selection as the domain dialog stores it: com and uk.
    TldCatalogue catalogue = m_catalogue;
    for (int i = 0; i < catalogue.count; ++i)
        catalogue[i].selected = catalogue[i].tld == u"com" || catalogue[i].tld == u"uk" ? 1 : 0;
    SaveTldSelection(*m_store, catalogue);
    writeUseUserDomains(*m_store, true);

    const CliResult result = run(fastRun() + arguments + QStringList{"--format", "csv", "taken"});
    QCOMPARE(result.status, 0);
    QStringList suffixes;
    States states;
    for (const QStringList& record : parseCsv(result.out).mid(1)) {
        suffixes << record.value(2);
        states.insert(record.value(0), record.value(3));
    }
    QStringList expected;
    for (const ResultColumn& column :
         planColumns(true, user ? SearchSet::Selection : SearchSet::DefaultList, catalogue))
        expected << column.suffix;
    QCOMPARE(suffixes, expected);
    if (user) {
        QVERIFY(expected.contains(QStringLiteral("co.uk")));
        QCOMPARE(states.value("taken.co.uk"), QStringLiteral("unavailable"));
        QCOMPARE(states.value("taken.org.uk"), QStringLiteral("available"));
    }
    QCOMPARE(states.value("taken.com"), QStringLiteral("unavailable"));
}

// Input without end: reading stops once it holds more names than a run takes.
void TestCli::confirm() {
    // held.com is registered but not in the zone; the registries know no other name. The
    // bootstrap knows com and net, on two hosts, but not uk: its registry answers over WHOIS, in
    // Nominet's layout.
    test::RdapServer comRegistry(
        QStringLiteral("127.0.0.64"),
        {{"held.com.json", test::rdapDomainJson("held.com", "Example Registrar",
                                                "2020-01-01T00:00:00Z", "2030-01-01T00:00:00Z")},
         {"taken.com.json", test::rdapDomainJson("taken.com", "Example Registrar",
                                                 "2001-01-01T00:00:00Z", "2029-05-06T00:00:00Z")}});
    // The net registry is hostile: a status that is a spreadsheet formula with a terminal escape
    // in it, and a reason phrase that would set the terminal's title.
    test::RdapServer netRegistry(QStringLiteral("127.0.0.65"),
                                 {{"held.net.json",
                                   R"({"objectClassName": "domain", "ldhName": "held.net",
              "status": ["=HYPERLINK(\"http://x\")\u001b[2J", "active"]})"},
                                  {"free.net.status", "503 \x1b]0;owned\x07 Down"}});
    test::LoopbackWhois ukRegistry(
        QStringLiteral("127.0.0.68"),
        {{"held.co.uk", "\r\n    Domain name:\r\n        held.co.uk\r\n\r\n"
                        "    Registrar:\r\n        Example Registrar [Tag = EXAMPLE]\r\n\r\n"
                        "    Relevant dates:\r\n        Registered on: 01-Jan-2001\r\n"
                        "        Expiry date:  01-Feb-2031\r\n"
                        "        Last updated:  02-Jan-2026\r\n\r\n"
                        "    Registration status:\r\n"
                        "        Registered until expiry date.\r\n"}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(comRegistry);
    NOMISPOT_REQUIRE_SERVER_RUNNING(netRegistry);
    NOMISPOT_REQUIRE_SERVER_RUNNING(ukRegistry);
    QVERIFY(useWhoisServers({{"uk", ukRegistry.address()}}));
    QVERIFY(
        test::writeRdapBootstrap(m_dir->filePath(QStringLiteral("rdap-dns.json")),
                                 {{"com", comRegistry.baseUrl()}, {"net", netRegistry.baseUrl()}}));

    const CliResult csv = run(fastRun() + QStringList{"--confirm", "--format", "csv", "--tlds",
                                                      "com,net,co.uk", "held", "free", "taken"});
    QCOMPARE(csv.status, 0);
    // domain -> state, reason, registry, registry_status, registry_source, expires
    QMap<QString, QStringList> rows;
    for (const QStringList& record : parseCsv(csv.out).mid(1))
        rows.insert(record.value(0), {record.value(3), record.value(5), record.value(7),
                                      record.value(8), record.value(9), record.value(10)});
    const QMap<QString, QStringList> expected{
        {"held.com",
         {"unavailable", "registered, not in DNS", "found",
          "client hold, client transfer prohibited", "rdap", "2030-01-01"}},
        {"free.com", {"available", "", "not-found", "", "rdap", ""}},
        {"taken.com", {"unavailable", "", "not-asked", "", "", ""}},
        {"held.net",
         {"unavailable", "registered, not in DNS", "found", "'=HYPERLINK(\"http://x\")[2J, active",
          "rdap", ""}},
        {"free.net",
         {"available", "", "unknown", "the registry answered HTTP 503 ]0;owned Down", "rdap", ""}},
        {"taken.net", {"unavailable", "", "not-asked", "", "", ""}},
        {"held.co.uk",
         {"unavailable", "registered, not in DNS", "found", "Registered until expiry date.",
          "whois", "2031-02-01"}},
        {"free.co.uk", {"available", "", "not-found", "", "whois", ""}},
        {"taken.co.uk", {"unavailable", "", "not-asked", "", "", ""}},
    };
    QCOMPARE(rows, expected);
    QCOMPARE(csv.err,
             QStringLiteral("Registries: 2 free confirmed, 3 registered but not in DNS, 1 not "
                            "confirmed (the registry answered HTTP 503 ]0;owned Down).\n"));
    QVERIFY(!csv.out.contains(u'\x1b') && !csv.err.contains(u'\x1b'));

    // One question a second to each host at most; both hosts asked side by side.
    const std::vector<test::RdapServer::Request> com = comRegistry.requests();
    QCOMPARE(com.size(), std::size_t(2));
    QVERIFY2(com[1].seconds - com[0].seconds > 0.9,
             qPrintable(QString::number(com[1].seconds - com[0].seconds)));
    const std::vector<test::RdapServer::Request> net = netRegistry.requests();
    QCOMPARE(net.size(), std::size_t(2));
    QVERIFY(net[0].seconds < com[1].seconds);

    // With --expiry the taken names are asked too: they stay taken and gain their end.
    const CliResult expiry = run(fastRun() + QStringList{"--confirm", "--expiry", "--format", "csv",
                                                         "--tlds", "com", "taken"});
    QCOMPARE(expiry.status, 0);
    const QStringList taken = parseCsv(expiry.out).value(1);
    QCOMPARE(taken.mid(3, 1) + taken.mid(7),
             (QStringList{"unavailable", "found", "client hold, client transfer prohibited", "rdap",
                          "2029-05-06"}));

    // A bootstrap file that cannot be read is bad input, before any query.
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("rdap-dns.json"))));
    const CliResult missing = run(fastRun() + QStringList{"--confirm", "free"});
    QCOMPARE(missing.status, 1);
    QVERIFY2(missing.err.startsWith(QStringLiteral("Cannot read the registry list")),
             qPrintable(missing.err));
}

void TestCli::refreshRegistryList_data() {
    QTest::addColumn<ServedFiles>("files"); // the server's; dns.json the list
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("report"); // how the report starts
    QTest::addColumn<bool>("saved");

    const QByteArray newer = R"({"publication": ")" +
                             QDate::currentDate().toString(Qt::ISODate).toLatin1() +
                             R"(T00:00:00Z", "services": [[["com"], ["https://reg.example/"]]]})";
    const QString snapshot = QStringLiteral("Registry list of 2026-07-23; ");
    QTest::newRow("newer") << ServedFiles{{"dns.json", newer}} << QStringList{} << 0
                           << "Registry list refreshed: " +
                                  QDate::currentDate().toString(Qt::ISODate) + u'.'
                           << true;
    QTest::newRow("not modified")
        << ServedFiles{{"dns.json", newer}, {"dns.json.modified", "Mon, 01 Jan 2018 00:00:00 GMT"}}
        << QStringList{} << 0 << snapshot + "no newer one (127.0.0.92 has not changed it since)."
        << false;
    QTest::newRow("404") << ServedFiles{} << QStringList{} << 2
                         << snapshot + "refresh failed: 127.0.0.92 answered HTTP 404 Not Found."
                         << false;
    QTest::newRow("garbage") << ServedFiles{{"dns.json", "{\"services\": 3"}} << QStringList{} << 2
                             << snapshot + "refresh failed: the file from 127.0.0.92 is not a "
                                           "registry list: not JSON"
                             << false;
    // With names, the check follows; a failed refresh still says the network failed.
    QTest::newRow("with names") << ServedFiles{{"dns.json", newer}}
                                << QStringList{"--tlds", "com", "free"} << 0
                                << "Registry list refreshed: " << true;
    QTest::newRow("with names, failed") << ServedFiles{} << QStringList{"--tlds", "com", "free"}
                                        << 2 << snapshot + "refresh failed: " << false;
}

// --refresh-registry-list fetches the list whether due or not, reports what came of it and says
// in its status whether it failed.
void TestCli::refreshRegistryList() {
    QFETCH(ServedFiles, files);
    QFETCH(QStringList, names);
    QFETCH(int, status);
    QFETCH(QString, report);
    QFETCH(bool, saved);
    test::RdapServer server(QStringLiteral("127.0.0.92"), files);
    NOMISPOT_REQUIRE_SERVER_RUNNING(server);
    const QString data = m_dir->filePath(QStringLiteral("data"));
    const QString record = data + QStringLiteral("/nomispot/rdap-dns.last-refresh");
    QVERIFY(QDir().mkpath(data + QStringLiteral("/nomispot")));
    // Tried today already: forced all the same.
    QVERIFY(test::writeTextFile(record, QDate::currentDate().toString(Qt::ISODate)));
    m_environment = {{"XDG_DATA_HOME", data},
                     {"NOMISPOT_RDAP_BOOTSTRAP", QString()},
                     {"NOMISPOT_RDAP_BOOTSTRAP_URL", server.baseUrl() + "dns.json"}};

    const CliResult result =
        run(fastRun() + QStringList{"--refresh-registry-list", "--format", "csv"} + names);
    QCOMPARE(result.status, status);
    QCOMPARE(server.requests().size(), std::size_t(1));
    const QString user = data + QStringLiteral("/nomispot/rdap-dns.json");
    QCOMPARE(QFile::exists(user), saved);
    if (names.isEmpty()) {
        // Alone: the report is all there is, on standard error only when it failed.
        const QString reported = status == 0 ? result.out : result.err;
        QVERIFY2(reported.startsWith(report) && reported.endsWith(QStringLiteral(".\n")) &&
                     reported.count(u'\n') == 1,
                 qPrintable(reported));
        QCOMPARE(status == 0 ? result.err : result.out, QString());
        return;
    }
    QVERIFY2(result.err.startsWith(report), qPrintable(result.err));
    const QList<QStringList> rows = parseCsv(result.out);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1).value(0), QStringLiteral("free.com"));
    QCOMPARE(rows.at(1).value(3), QStringLiteral("available"));
}

// The shipped list is over a month old: --confirm tries a refresh first, once a day, and its
// summary says which list it used when that failed.
void TestCli::confirmRefreshesOldList() {
    test::RdapServer server(QStringLiteral("127.0.0.92"), {});
    NOMISPOT_REQUIRE_SERVER_RUNNING(server);
    const QString data = m_dir->filePath(QStringLiteral("data"));
    m_environment = {{"XDG_DATA_HOME", data},
                     {"NOMISPOT_RDAP_BOOTSTRAP", QString()},
                     {"NOMISPOT_RDAP_BOOTSTRAP_URL", server.baseUrl() + "dns.json"}};
    // .zz has no registry: nothing but the refresh goes out.
    const QStringList args = fastRun() + QStringList{"--confirm", "--tlds", "zz", "free"};
    const CliResult first = run(args);
    QCOMPARE(first.status, 0);
    QVERIFY2(first.err.endsWith(QStringLiteral("Registry list of 2026-07-23; refresh failed: "
                                               "127.0.0.92 answered HTTP 404 Not Found.\n")),
             qPrintable(first.err));
    QCOMPARE(server.requests().size(), std::size_t(1));

    const CliResult second = run(args);
    QCOMPARE(second.status, 0);
    QVERIFY2(!second.err.contains(QStringLiteral("Registry list")), qPrintable(second.err));
    QCOMPARE(server.requests().size(), std::size_t(1));
}

// Nothing listens at the nameserver's address: the check says so within seconds and ends as one
// that cannot use the network, however long the list.
void TestCli::deadNameserver() {
    QElapsedTimer clock;
    clock.start();
    const CliResult result = run({"--nameserver", kDeadNameserver, "--delay", "50", "--tlds",
                                  "com,net", "--file", writeNames(500)});
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(result.status, 2);
    QVERIFY2(result.err.contains(QStringLiteral("Nothing answers at %1:53 (connection refused): is "
                                                "a DNS server running there?\n")
                                     .arg(kDeadNameserver)),
             qPrintable(result.err));
}

// A list longer than a run, confirmed: one client for the whole session paces the WHOIS host
// across runs, the last free name of the first run and the free name of the second at least the
// interval (2 s) apart.
void TestCli::confirmAcrossRuns() {
    test::LoopbackWhois registry(QStringLiteral("127.0.0.69"), {});
    NOMISPOT_REQUIRE_SERVER_RUNNING(registry);
    QVERIFY(useWhoisServers({{"com", registry.address()}}));
    QVERIFY(test::writeRdapBootstrap(m_dir->filePath(QStringLiteral("rdap-dns.json")), {}));
    // Every name but the last of each run is in the zone file: answered without a query.
    const int names = kMaxCombinations + 1;
    QFile zone(m_dir->filePath(QStringLiteral("com.zone")));
    QFile list(m_dir->filePath(QStringLiteral("names.txt")));
    QVERIFY(zone.open(QIODevice::WriteOnly) && list.open(QIODevice::WriteOnly));
    zone.write("$ORIGIN com.\n$TTL 3600\n@ SOA ns.com. admin.com. 2026072301 1 1 1 1\n");
    for (int i = 0; i < names; ++i) {
        list.write("n" + QByteArray::number(i) + '\n');
        if (i < kMaxCombinations - 1)
            zone.write("n" + QByteArray::number(i) + " NS ns.example.\n");
    }
    zone.close();
    list.close();

    const CliResult result = run({"--nameserver", kSilentNameserver, "--delay", "1", "--retries",
                                  "1", "--tlds", "com", "--zone-file", zone.fileName(), "--confirm",
                                  "--format", "csv", "--file", list.fileName()});
    QCOMPARE(result.status, 0);
    const QList<QStringList> records = parseCsv(result.out);
    QCOMPARE(records.size(), names + 1);
    for (const QStringList& record : {records.at(names - 1), records.at(names)})
        QCOMPARE(record.mid(3, 1) + record.mid(7, 1), (QStringList{"available", "not-found"}));
    std::vector<test::LoopbackWhois::Event> asked;
    for (const test::LoopbackWhois::Event& event : registry.events())
        if (!event.done)
            asked.push_back(event);
    QCOMPARE(asked.size(), std::size_t(2));
    QCOMPARE(asked[0].line + u' ' + asked[1].line, QStringLiteral("n2047.com n2048.com"));
    QVERIFY2(asked[1].seconds - asked[0].seconds >= 2.0,
             qPrintable(QString::number(asked[1].seconds - asked[0].seconds)));
}

// Completing a file with --confirm --expiry: the domains it has rows for are neither asked at
// their registry nor written again.
void TestCli::resumeAsksNoRegistryAgain() {
    test::RdapServer registry(
        QStringLiteral("127.0.0.70"),
        {{"taken.com.json", test::rdapDomainJson("taken.com", "Example Registrar",
                                                 "2001-01-01T00:00:00Z", "2029-05-06T00:00:00Z")}});
    NOMISPOT_REQUIRE_SERVER_RUNNING(registry);
    QVERIFY(test::writeRdapBootstrap(m_dir->filePath(QStringLiteral("rdap-dns.json")),
                                     {{"com", registry.baseUrl()}}));
    const QString file = m_dir->filePath(QStringLiteral("found.csv"));
    const QStringList args =
        fastRun() + QStringList{"--confirm", "--expiry", "--tlds", "com", "--resume", file};
    QCOMPARE(run(args + QStringList{"free", "taken"}).status, 0);
    QCOMPARE(registry.requests().size(), std::size_t(2));

    const CliResult resumed = run(args + QStringList{"free", "taken", "new"});
    QCOMPARE(resumed.status, 0);
    const std::vector<test::RdapServer::Request> requests = registry.requests();
    QCOMPARE(requests.size(), std::size_t(3));
    QVERIFY2(requests.back().path.endsWith(QStringLiteral("/domain/new.com")),
             qPrintable(requests.back().path));
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QStringList domains;
    for (const QStringList& record : parseCsv(QString::fromUtf8(written.readAll())).mid(1))
        domains << record.value(0);
    QCOMPARE(domains, (QStringList{"free.com", "taken.com", "new.com"}));
    // The summary counts what this check asked, not the file's rows.
    QVERIFY2(resumed.err.startsWith(QStringLiteral("Registries: 1 free confirmed.")),
             qPrintable(resumed.err));
}

// Input without end is checked run by run, its rows written as each run ends; Ctrl+C leaves whole
// runs only, the last one's unanswered names cancelled.
void TestCli::endlessInput() {
    QProcess process;
    start(process, {"--nameserver", kNameserver, "--delay", "1", "--retries", "1", "--tlds", "com",
                    "--format", "csv"});
    QVERIFY(process.waitForStarted());
    int next = 0;
    const auto feed = [&process, &next] {
        if (process.state() != QProcess::Running || process.bytesToWrite() > 64 * 1024)
            return;
        QByteArray lines;
        for (int i = 0; i < 4096; ++i)
            lines += "n" + QByteArray::number(next++) + '\n';
        process.write(lines);
    };
    QObject::connect(&process, &QProcess::bytesWritten, &process, feed);
    feed();
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).count('\n') > 2 * 2048,
                             60000);
    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 20000);
    QCOMPARE(process.exitCode(), 130);
    out += process.readAllStandardOutput();
    QVERIFY(out.endsWith('\n'));
    const QList<QStringList> records = parseCsv(QString::fromUtf8(out));
    QCOMPARE((records.size() - 1) % 2048, 0); // the header, then whole runs
    for (qsizetype i = 1; i < records.size(); ++i) {
        QCOMPARE(records[i].at(0), QStringLiteral("n%1.com").arg(i - 1));
        QVERIFY2(records[i].at(3) == u"available" ||
                     (records[i].at(3) == u"not_checked" && records[i].at(5) == u"cancelled"),
                 qPrintable(records[i].join(u',')));
    }
}

CliResult TestCli::runLooping(const QStringList& args) {
    QProcess process;
    start(process, args);
    if (!process.waitForStarted(10000))
        return {};
    process.closeWriteChannel();
    QByteArray out, err;
    QDeadlineTimer deadline(120000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QTest::qWait(10);
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    out += process.readAllStandardOutput();
    err += process.readAllStandardError();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(out), QString::fromUtf8(err)};
}

// n0 .. n<count-2>, then "taken": the names of a list file.
QString TestCli::writeNames(int count) {
    QFile file(m_dir->filePath(QStringLiteral("names.txt")));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    for (int i = 0; i < count - 1; ++i)
        file.write("n" + QByteArray::number(i) + '\n');
    file.write("taken\n");
    return file.fileName();
}

void TestCli::longList_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("csv") << "csv";
    QTest::newRow("jsonl") << "jsonl";
    QTest::newRow("json") << "json";
}

// A list longer than a run: every name once, in order, as the window plans them, and the
// nameserver tested once for the whole list.
void TestCli::longList() {
    QFETCH(QString, format);
    test::WireLog relay;
    QVERIFY(relay.start(kRelay, kNameserver));
    const int names = 5000;
    const CliResult result =
        runLooping({"--nameserver", kRelay, "--delay", "1", "--retries", "3", "--tlds", "com",
                    "--format", format, "--file", writeNames(names)});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.err, QString());
    // The suffix's own probe, in the first run only.
    QCOMPARE(relay.asked().count(QStringLiteral("com")), 1);

    QList<QStringList> rows; // domain, state
    if (format == u"csv") {
        const QList<QStringList> records = parseCsv(result.out);
        QCOMPARE(records.first().join(u','), csvHeader());
        for (const QStringList& record : records.mid(1))
            rows << QStringList{record.at(0), record.at(3)};
    } else {
        QJsonArray array;
        if (format == u"json") {
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(result.out.toUtf8(), &error);
            QCOMPARE(error.error, QJsonParseError::NoError);
            array = document.array();
        } else {
            QVERIFY(result.out.endsWith(u'\n'));
            for (const QString& line : result.out.split(u'\n', Qt::SkipEmptyParts)) {
                QJsonParseError error{};
                const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
                QCOMPARE(error.error, QJsonParseError::NoError);
                array.append(document.object());
            }
        }
        for (const QJsonValue& value : array) {
            const QJsonObject object = value.toObject();
            QCOMPARE(object.keys().size(), csvHeader().split(u',').size());
            rows << QStringList{object.value("domain").toString(),
                                object.value("state").toString()};
        }
    }
    QCOMPARE(rows.size(), names);
    for (int i = 0; i < names - 1; ++i)
        QCOMPARE(rows[i], (QStringList{QStringLiteral("n%1.com").arg(i), "available"}));
    QCOMPARE(rows.last(), (QStringList{"taken.com", "unavailable"}));
}

// Ctrl+C mid-list, then --resume: the file ends as an uninterrupted run's, byte for byte.
void TestCli::interruptThenResume() {
    const QString names = writeNames(3000);
    const QStringList args{"--nameserver", kNameserver, "--delay", "1",  "--retries", "2",
                           "--tlds",       "com,net",   "--file",  names};
    const QString whole = m_dir->filePath(QStringLiteral("whole.csv"));
    QCOMPARE(run(args + QStringList{"--resume", whole}).status, 0);

    const QString resumed = m_dir->filePath(QStringLiteral("resumed.csv"));
    QProcess process;
    start(process, args + QStringList{"--resume", resumed});
    QVERIFY(process.waitForStarted());
    process.closeWriteChannel();
    // Interrupted in the second run, once the first is written.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(resumed).size() > 0, 30000);
    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 130);
    QFile partial(resumed);
    QVERIFY(partial.open(QIODevice::ReadOnly));
    const QByteArray interrupted = partial.readAll();
    partial.close();
    QVERIFY(interrupted.contains(",cancelled,"));
    QVERIFY(interrupted.size() < QFileInfo(whole).size());

    const CliResult again = run(args + QStringList{"--resume", resumed});
    QCOMPARE(again.status, 0);
    QCOMPARE(again.out, QString());
    QFile a(whole), b(resumed);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray expected = a.readAll(), got = b.readAll();
    QCOMPARE(got.count('\n'), 6001);
    QVERIFY(got == expected);
}

void TestCli::resumeRefusesForeignFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("why");
    QTest::newRow("another csv") << QByteArray("domain,state\nx.com,available\n") << QStringList{}
                                 << "it is neither csv results of nomispot-check (with their "
                                    "header) nor JSON Lines with their fields.";
    QTest::newRow("a json array") << QByteArray("[\n]\n") << QStringList{}
                                  << "it is neither csv results of nomispot-check (with their "
                                     "header) nor JSON Lines with their fields.";
    QTest::newRow("a broken row") << csvHeader().toUtf8() + "\nx.com,\"open\n"
                                  << QStringList{} << "line 2 is not a row of csv results.";
    QTest::newRow("another format asked")
        << csvHeader().toUtf8() + '\n'
        << QStringList{"--format", "jsonl"} << "it holds csv results, not JSON Lines.";
}

// A file that is not ours is refused and left as it was.
void TestCli::resumeRefusesForeignFile() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, arguments);
    QFETCH(QString, why);
    const QString path = m_dir->filePath(QStringLiteral("results.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const CliResult result =
        run(fastRun() + arguments + QStringList{"--resume", path, "--tlds", "com", "taken"});
    QCOMPARE(result.status, 1);
    QCOMPARE(result.err,
             QStringLiteral("Cannot resume %1: %2\n%1 is left as it is.\n").arg(path, why));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

// After a kill, the file ends in a row cut short: resuming drops it, says so, checks its domain
// again, and the file ends whole.
void TestCli::resumeDropsACutRow() {
    const QString path = m_dir->filePath(QStringLiteral("results.csv"));
    const QStringList args = fastRun() + QStringList{"--resume", path, "--tlds", "com"};
    QCOMPARE(run(args + QStringList{"taken"}).status, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("free.com,free,co");
    file.close();

    const CliResult resumed = run(args + QStringList{"taken", "free"});
    QCOMPARE(resumed.status, 0);
    QVERIFY2(
        resumed.err.startsWith(QStringLiteral("Line 3 of %1, its last, was cut short").arg(path)),
        qPrintable(resumed.err));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QStringList> records = parseCsv(QString::fromUtf8(file.readAll()));
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[1].mid(0, 1) + records[1].mid(3, 1),
             (QStringList{"taken.com", "unavailable"}));
    QCOMPARE(records[2].mid(0, 1) + records[2].mid(3, 1), (QStringList{"free.com", "available"}));
}

// Candidates under a zone file's zone are answered from it: a nameserver that never answers is
// not needed for them.
void TestCli::zoneFileAnswers() {
    const QString zone = m_dir->filePath(QStringLiteral("com.zone"));
    QFile file(zone);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("$ORIGIN com.\n$TTL 3600\n@ SOA ns.com. admin.com. 2026072301 1 1 1 1\n"
               "taken NS ns.example.\nbroken line without sense\n");
    file.close();
    const CliResult result =
        run({"--nameserver", kSilentNameserver, "--delay", "1", "--retries", "1", "--tlds", "com",
             "--format", "csv", "--zone-file", zone, "--zone-file",
             m_dir->filePath(QStringLiteral("missing.zone")), "taken", "free"});
    QCOMPARE(result.status, 0);
    const QList<QStringList> records = parseCsv(result.out);
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[1].at(0) + u' ' + records[1].at(3), QStringLiteral("taken.com unavailable"));
    QVERIFY2(records[1].at(5).startsWith(QStringLiteral("in the zone file of")),
             qPrintable(records[1].at(5)));
    QCOMPARE(records[2].at(0) + u' ' + records[2].at(3), QStringLiteral("free.com available"));
    QVERIFY2(result.err.contains(QStringLiteral("missing.zone")), qPrintable(result.err));
    QVERIFY2(result.err.contains(QStringLiteral("2 answered from zone files.")),
             qPrintable(result.err));
}

void TestCli::outputCannotBeWritten_data() {
    QTest::addColumn<bool>("fullDisk"); // else the reader goes away
    QTest::addColumn<QString>("reason");
    QTest::newRow("full disk") << true << QString::fromLocal8Bit(std::strerror(ENOSPC));
    QTest::newRow("broken pipe") << false << QString::fromLocal8Bit(std::strerror(EPIPE));
}

// Results that cannot be written are a failure the user is told of, never a silent success.
void TestCli::outputCannotBeWritten() {
    QFETCH(bool, fullDisk);
    QFETCH(QString, reason);

    m_store->flush();
    const QStringList args = QStringList{"--settings", m_store->path()} + fastRun() +
                             QStringList{"--tlds", "com", "taken", "free"};
    const QString program = test::binDir() + QStringLiteral("/nomispot-check");
    QProcess process;
    if (fullDisk) {
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(program, args);
    } else {
        // A reader that is gone before the results come.
        process.start(QStringLiteral("bash"),
                      QStringList{"-c", "\"$0\" \"$@\" | true; exit ${PIPESTATUS[0]}", program} +
                          args);
    }
    QVERIFY(process.waitForStarted());
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 3);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.startsWith(QStringLiteral("Cannot write the results: ") + reason + u'\n'),
             qPrintable(err));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
