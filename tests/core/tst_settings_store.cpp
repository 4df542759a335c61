#include "settings/settings_ops.h"
#include "settings/system_resolver.h"
#include "test_support.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace nomispot;
using nomispot::test::TestSettings;

namespace {

using IniSections = QMap<QString, QMap<QString, QString>>;

// The INI file as text, split into sections and "key=value" lines.
IniSections readIni(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    IniSections sections;
    QString section;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2);
            sections[section];
        } else if (const qsizetype eq = line.indexOf(u'='); eq > 0) {
            sections[section][line.left(eq)] = line.mid(eq + 1);
        }
    }
    return sections;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void storeLayout();
    void firstRunLayout();
    void loadDnsSettings_data();
    void loadDnsSettings();
    void loadTldSelection_data();
    void loadTldSelection();
    void truthValues_data();
    void truthValues();
    void secondLoad_data();
    void secondLoad();
    void keysOfOldTldsStay();
    void emptyCatalogue();
    void unwritableDirectory();
    void readOnlyFile();
    void namedFileKinds_data();
    void namedFileKinds();
};

void TestSettingsStore::storeLayout() {
    TestSettings app;
    DnsSettings dns{QStringLiteral("ns1.example.net"), 1000, 10};
    TldCatalogue catalogue = test::makeCatalogue({"com;C;s", "net;N;s", "org;O;s", "co;Co;s"});
    catalogue[0].selected = 1;
    catalogue[2].selected = 2;
    SaveDnsSettings(*app.store, dns);
    SaveTldSelection(*app.store, catalogue);
    writeUseUserDomains(*app.store, true);

    const IniSections ini = readIni(app.settingsPath());
    QCOMPARE(ini.keys(), QStringList({"domains", "main"}));
    const QMap<QString, QString> main{
        {"dns", "ns1.example.net"}, {"retries", "10"}, {"delay", "1000"}, {"domains", "user"}};
    QCOMPARE(ini["main"], main);
    const QMap<QString, QString> domains{{"com", "1"}, {"net", "0"}, {"org", "2"}, {"co", "0"}};
    QCOMPARE(ini["domains"], domains);

    writeUseUserDomains(*app.store, false);
    dns.delayMs = -32768;
    SaveDnsSettings(*app.store, dns);
    QCOMPARE(readIni(app.settingsPath())["main"]["domains"], "default");
    QCOMPARE(readIni(app.settingsPath())["main"]["delay"], "-32768");
}

// What start-up stores on a first run, before the wizard opens.
void TestSettingsStore::firstRunLayout() {
    TestSettings app;
    const TldCatalogue catalogue = test::makeCatalogue({"com;C;s", "net;N;s"});
    QVERIFY(isFirstRun(*app.store));
    markFirstRunDone(*app.store);
    writeUseUserDomains(*app.store, false);
    const DnsSettings dns{QString::fromLatin1(kPlaceholderNameserver), 50, 3};
    SaveDnsSettings(*app.store, dns);
    SaveTldSelection(*app.store, catalogue);

    const IniSections ini = readIni(app.settingsPath());
    const QMap<QString, QString> main{{"init", "False"},
                                      {"domains", "default"},
                                      {"dns", "ns1.yourprovider.example"},
                                      {"retries", "3"},
                                      {"delay", "50"}};
    QCOMPARE(ini["main"], main);
    QCOMPARE(ini["domains"], (QMap<QString, QString>{{"com", "0"}, {"net", "0"}}));
    QVERIFY(!isFirstRun(*app.loadFromDisk()));
}

void TestSettingsStore::loadDnsSettings_data() {
    QTest::addColumn<QByteArray>("main");
    QTest::addColumn<QString>("nameserver");
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("delay");

    const QString root = defaultNameserver();
    QTest::newRow("no keys") << QByteArray("init=False\n") << root << 3 << 50;
    QTest::newRow("stored") << QByteArray("dns=10.0.0.1\nretries=10\ndelay=1000\n") << "10.0.0.1"
                            << 10 << 1000;
    QTest::newRow("empty nameserver") << QByteArray("dns=\n") << "" << 3 << 50;
    QTest::newRow("field limits") << QByteArray("retries=255\ndelay=-32768\n") << root << 255
                                  << -32768;
    QTest::newRow("outside ranges of the dialog")
        << QByteArray("retries=0\ndelay=32767\n") << root << 0 << 32767;
    QTest::newRow("too wide") << QByteArray("retries=256\ndelay=32768\n") << root << 3 << 50;
    QTest::newRow("negative retries")
        << QByteArray("retries=-1\ndelay=-32769\n") << root << 3 << 50;
    QTest::newRow("not numbers") << QByteArray("retries=x\ndelay=abc\n") << root << 3 << 50;
    QTest::newRow("empty numbers") << QByteArray("retries=\ndelay=\n") << root << 3 << 50;
    QTest::newRow("fractions") << QByteArray("retries=3.5\ndelay=1e2\n") << root << 3 << 50;
    QTest::newRow("blanks around")
        << QByteArray("retries=\" 7 \"\ndelay=\" 60\"\n") << root << 7 << 60;
}

void TestSettingsStore::loadDnsSettings() {
    QFETCH(QByteArray, main);
    QFETCH(QString, nameserver);
    QFETCH(int, retries);
    QFETCH(int, delay);

    TestSettings app;
    writeFile(app.settingsPath(), "[main]\n" + main);
    SettingsStore store(app.settingsPath());
    DnsSettings dns{QStringLiteral("old"), 7, 7};
    LoadDnsSettings(store, dns);
    QCOMPARE(dns.nameserver, nameserver);
    QCOMPARE(int(dns.retries), retries);
    QCOMPARE(int(dns.delayMs), delay);
}

void TestSettingsStore::loadTldSelection_data() {
    QTest::addColumn<QByteArray>("stored"); // the line for "net", empty for none
    QTest::addColumn<int>("flag");
    QTest::addColumn<bool>("counts");

    QTest::newRow("no key") << QByteArray() << 0 << false;
    QTest::newRow("selected") << QByteArray("net=1") << 1 << true;
    QTest::newRow("not selected") << QByteArray("net=0") << 0 << false;
    QTest::newRow("two") << QByteArray("net=2") << 2 << false;
    QTest::newRow("widest") << QByteArray("net=255") << 255 << false;
    QTest::newRow("too wide") << QByteArray("net=256") << 0 << false;
    QTest::newRow("negative") << QByteArray("net=-1") << 0 << false;
    QTest::newRow("not a number") << QByteArray("net=yes") << 0 << false;
}

void TestSettingsStore::loadTldSelection() {
    QFETCH(QByteArray, stored);
    QFETCH(int, flag);
    QFETCH(bool, counts);

    TestSettings app;
    writeFile(app.settingsPath(), "[domains]\ncom=1\n" + stored + "\n");
    SettingsStore store(app.settingsPath());
    TldCatalogue catalogue = test::makeCatalogue({"com;C;s", "net;N;s"});
    catalogue[1].selected = 1;
    LoadTldSelection(store, catalogue);
    QCOMPARE(int(catalogue[0].selected), 1);
    QCOMPARE(int(catalogue[1].selected), flag);
    QCOMPARE(catalogue[1].isSelected(), counts);
}

void TestSettingsStore::truthValues_data() {
    QTest::addColumn<QByteArray>("main");
    QTest::addColumn<bool>("firstRun");
    QTest::addColumn<bool>("userDomains");

    QTest::newRow("empty store") << QByteArray() << true << false;
    QTest::newRow("set up, default list")
        << QByteArray("init=False\ndomains=default\n") << false << false;
    QTest::newRow("personal selection")
        << QByteArray("init=false\ndomains=user\n") << false << true;
    QTest::newRow("init true") << QByteArray("init=True\n") << true << false;
    QTest::newRow("init as numbers") << QByteArray("init=0\n") << false << false;
    QTest::newRow("init no truth value, domains other text")
        << QByteArray("init=maybe\ndomains=Default\n") << false << true;
}

void TestSettingsStore::truthValues() {
    QFETCH(QByteArray, main);
    QFETCH(bool, firstRun);
    QFETCH(bool, userDomains);

    TestSettings app;
    writeFile(app.settingsPath(), "[main]\n" + main);
    SettingsStore store(app.settingsPath());
    QCOMPARE(isFirstRun(store), firstRun);
    QCOMPARE(readUseUserDomains(store), userDomains);
}

void TestSettingsStore::secondLoad_data() {
    QTest::addColumn<QString>("nameserver");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("retries");

    QTest::newRow("first-run values") << QString::fromLatin1(kPlaceholderNameserver) << 50 << 3;
    QTest::newRow("bounds of the dialog") << "192.0.2.53" << 1000 << 10;
    QTest::newRow("empty nameserver") << "" << 5 << 1;
    QTest::newRow("field limits") << "ns" << -32768 << 255;
    QTest::newRow("characters of the file format")
        << " ns, one; two=\"three\" [x] \\ @at #hash " << 32767 << 0;
    QTest::newRow("not ASCII") << "ns.exämple.net" << 100 << 2;
}

void TestSettingsStore::secondLoad() {
    QFETCH(QString, nameserver);
    QFETCH(int, delay);
    QFETCH(int, retries);

    TestSettings app;
    const DnsSettings saved{nameserver, std::int16_t(delay), std::uint8_t(retries)};
    TldCatalogue stored = test::makeCatalogue({"com;C;s", "net;N;s", "co.uk;U;s", "xn--p1ai;R;s"});
    stored[1].selected = 1;
    stored[2].selected = 2;
    stored[3].selected = 1;
    SaveDnsSettings(*app.store, saved);
    SaveTldSelection(*app.store, stored);
    writeUseUserDomains(*app.store, true);
    markFirstRunDone(*app.store);

    const std::unique_ptr<SettingsStore> next = app.loadFromDisk();
    QVERIFY(next);
    DnsSettings loaded;
    LoadDnsSettings(*next, loaded);
    QCOMPARE(loaded, saved);
    TldCatalogue catalogue =
        test::makeCatalogue({"com;C;s", "net;N;s", "co.uk;U;s", "xn--p1ai;R;s"});
    LoadTldSelection(*next, catalogue);
    for (int i = 0; i < catalogue.count; ++i)
        QCOMPARE(catalogue[i].selected, stored[i].selected);
    QVERIFY(readUseUserDomains(*next));
    QVERIFY(!isFirstRun(*next));
}

void TestSettingsStore::keysOfOldTldsStay() {
    TestSettings app;
    writeFile(app.settingsPath(), "[domains]\nold=1\ncom=1\n");
    SettingsStore store(app.settingsPath());
    TldCatalogue catalogue = test::makeCatalogue({"com;C;s"});
    SaveTldSelection(store, catalogue);
    QCOMPARE(readIni(app.settingsPath())["domains"],
             (QMap<QString, QString>{{"old", "1"}, {"com", "0"}}));
}

void TestSettingsStore::emptyCatalogue() {
    TestSettings app;
    TldCatalogue catalogue;
    SaveTldSelection(*app.store, catalogue);
    QVERIFY(!readIni(app.settingsPath()).contains("domains"));
    LoadTldSelection(*app.store, catalogue);
    QCOMPARE(catalogue.count, std::int16_t(0));
}

// The settings file's directory cannot be made, which holds even for root.
void TestSettingsStore::unwritableDirectory() {
    TestSettings app;
    const QString blocker = app.dir.filePath(QStringLiteral("blocker"));
    writeFile(blocker, "not a directory\n");
    const QString path = blocker + QStringLiteral("/Nomispot.ini");
    SettingsStore store(path);
    QStringList reported;
    store.setWriteFailureHandler([&](const QString& p) { reported << p; });

    const DnsSettings typed{QStringLiteral("ns.example.org"), 80, 4};
    SaveDnsSettings(store, typed);
    TldCatalogue catalogue = test::makeCatalogue({"com;C;s"});
    catalogue[0].selected = 1;
    SaveTldSelection(store, catalogue);
    writeUseUserDomains(store, true);

    QCOMPARE(reported, QStringList{path});
    QVERIFY(settingsWriteFailureMessage(reported.first()).contains(QStringLiteral("Nomispot.ini")));
    DnsSettings loaded;
    LoadDnsSettings(store, loaded);
    QCOMPARE(loaded, typed);
    catalogue[0].selected = 0;
    LoadTldSelection(store, catalogue);
    QCOMPARE(int(catalogue[0].selected), 1);
    QVERIFY(readUseUserDomains(store));
    QCOMPARE(fileBytes(blocker), QByteArray("not a directory\n"));
}

void TestSettingsStore::readOnlyFile() {
    if (::geteuid() == 0)
        QSKIP("root writes read-only files; the unwritable directory covers root");
    TestSettings app;
    const QByteArray before = "[main]\ndns=ns.old.example\ndelay=60\nretries=2\n";
    writeFile(app.settingsPath(), before);
    QVERIFY(QFile::setPermissions(app.settingsPath(), QFile::ReadOwner));
    int reports = 0;
    {
        SettingsStore store(app.settingsPath());
        store.setWriteFailureHandler([&](const QString& p) {
            ++reports;
            QCOMPARE(p, app.settingsPath());
        });
        const DnsSettings typed{QStringLiteral("ns.new.example"), 70, 5};
        SaveDnsSettings(store, typed);
        SaveDnsSettings(store, typed);
        DnsSettings loaded;
        LoadDnsSettings(store, loaded);
        QCOMPARE(loaded, typed);
    }
    QCOMPARE(reports, 1);
    QCOMPARE(fileBytes(app.settingsPath()), before);
}

void TestSettingsStore::namedFileKinds_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("refusal"); // empty: the settings count as readable
    QTest::addColumn<QString>("nameserver");
    QTest::newRow("file") << "file"
                          << ""
                          << "192.0.2.1";
    QTest::newRow("missing") << "missing"
                             << ""
                             << "";
    // Neither waited on nor read without end.
    QTest::newRow("pipe") << "pipe"
                          << "it is a pipe, not a file"
                          << "";
    QTest::newRow("device") << "/dev/zero"
                            << "it is a device, not a file"
                            << "";
}

// The settings file and the resolver configuration, as paths the user or the environment names.
void TestSettingsStore::namedFileKinds() {
    QFETCH(QString, kind);
    QFETCH(QString, refusal);
    QFETCH(QString, nameserver);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath(QStringLiteral("named"));
    if (kind == u"file")
        writeFile(path, "nameserver 192.0.2.1\n");
    else if (kind == u"pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind != u"missing")
        path = kind;

    const Status readable = checkSettingsReadable(path);
    QCOMPARE(readable.ok(), refusal.isEmpty());
    if (!readable)
        QCOMPARE(readable.error().message,
                 QStringLiteral("Your settings cannot be read: %1 (%2).\rNomispot starts with its "
                                "usual values.")
                     .arg(path, refusal));

    qputenv(kResolvConfEnv, QFile::encodeName(path));
    const QString found = systemNameserver();
    qunsetenv(kResolvConfEnv);
    QCOMPARE(found, nameserver);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
