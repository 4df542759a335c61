#include "rdap/rdap_bootstrap.h"
#include "server_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace nomispot;

namespace {

QString bootstrapJson(const QString& publication, const QString& services) {
    return QStringLiteral(R"({"publication": "%1", "services": [%2]})").arg(publication, services);
}

QString comService(const QString& server) {
    return QStringLiteral(R"([["com"], ["%1"]])").arg(server);
}

// Runs as the window or as nomispot-check would.
void actAs(const QString& program) {
    QCoreApplication::setApplicationName(program);
    QCoreApplication::setOrganizationName(program == u"Nomispot" ? program : QString());
}

} // namespace

class TestRdapBootstrap : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void httpOnlyAddress_data();
    void httpOnlyAddress();
    void savedListWithHttpOnly();
    void userFolders_data();
    void userFolders();
    void namedFileNotAFile_data();
    void namedFileNotAFile();

private:
    QTemporaryDir m_dataDir;
};

void TestRdapBootstrap::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dataDir.isValid());
    QVERIFY(test::writeTextFile(
        shippedRdapBootstrapPath(m_dataDir.path()),
        bootstrapJson("2023-05-29T20:32:53Z", comService("https://shipped.example/"))));
}

// No copies of the user's from an earlier test; the test mode's own data folder only.
void TestRdapBootstrap::init() {
    actAs(QStringLiteral("tst_rdap_bootstrap"));
    qunsetenv("NOMISPOT_RDAP_BOOTSTRAP");
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QVERIFY(!data.isEmpty());
    QVERIFY(QDir(data).removeRecursively());
}

void TestRdapBootstrap::httpOnlyAddress_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("message");
    const QString refused = QStringLiteral("The registry list gives only a plain http address for "
                                           ".%1 (%2), which is not used");
    QTest::newRow("only http") << "name.old" << refused.arg("old", "http://old.example/rdap/");
    QTest::newRow("several labels") << "name.co.zz" << refused.arg("co.zz", "http://co.example/");
    QTest::newRow("http beside its https") << "name.both" << QString();
    QTest::newRow("https in another service") << "name.twice" << QString();
    QTest::newRow("no service") << "name.zz"
                                << "No registry look-up known for .zz";
    QTest::newRow("no usable address") << "name.ftp"
                                       << "No registry look-up known for .ftp";
}

void TestRdapBootstrap::httpOnlyAddress() {
    QFETCH(QString, domain);
    QFETCH(QString, message);
    const QByteArray json = bootstrapJson("2024-01-01T00:00:00Z",
                                          R"([["OLD"], ["http://old.example/rdap"]],
                                             [["co.zz"], ["http://co.example/"]],
                                             [["both"], ["http://b.example/", "https://b.example/"]],
                                             [["twice"], ["http://t.example/"]],
                                             [["twice"], ["https://t.example/"]],
                                             [["ftp"], ["ftp://f.example/"]])")
                                .toUtf8();
    const Result<RdapBootstrap> strict = parseRdapBootstrap(json, false);
    QVERIFY(strict);
    QCOMPARE(rdapServerFor(*strict, domain).has_value(), message.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(noRdapServerMessage(*strict, domain), message);

    // Where http is allowed nothing is refused.
    const Result<RdapBootstrap> lenient = parseRdapBootstrap(json, true);
    QVERIFY(lenient);
    QVERIFY(lenient->refused.empty());
    if (!message.isEmpty())
        QCOMPARE(noRdapServerMessage(*lenient, domain), noRdapServerMessage(domain));
}

// The case a user meets: a saved list, newer than the snapshot, gives .com only over http.
void TestRdapBootstrap::savedListWithHttpOnly() {
    const QString saved = userRdapBootstrapPath();
    QVERIFY(QDir().mkpath(QFileInfo(saved).path()));
    QVERIFY(test::writeTextFile(
        saved, bootstrapJson("2026-01-01T00:00:00Z", comService("http://rdap.example/com/"))));
    const Result<RdapBootstrap> loaded = loadRdapBootstrap(m_dataDir.path());
    QVERIFY(loaded);
    QVERIFY(!rdapServerFor(*loaded, QStringLiteral("name.com")));
    QCOMPARE(noRdapServerMessage(*loaded, QStringLiteral("name.com")),
             QStringLiteral("The registry list gives only a plain http address for .com "
                            "(http://rdap.example/com/), which is not used"));
    // A built-in entry still serves a TLD the saved list leaves out.
    QVERIFY(rdapServerFor(*loaded, QStringLiteral("name.de")));
}

void TestRdapBootstrap::userFolders_data() {
    // Publication years of the copies in each folder (0: none) and whose server is used.
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("terminal");
    QTest::addColumn<int>("shared");
    QTest::addColumn<QString>("used");
    QTest::newRow("window's old folder") << 2024 << 0 << 0 << "window";
    QTest::newRow("terminal's old folder") << 0 << 2024 << 0 << "terminal";
    QTest::newRow("newest of the old two") << 2025 << 2024 << 0 << "window";
    QTest::newRow("shared folder newest") << 2024 << 2025 << 2026 << "shared";
    QTest::newRow("shared folder older") << 2024 << 2025 << 2023 << "terminal";
    QTest::newRow("older than the snapshot") << 2020 << 2021 << 2022 << "shipped";
}

void TestRdapBootstrap::userFolders() {
    QFETCH(int, window);
    QFETCH(int, terminal);
    QFETCH(int, shared);
    QFETCH(QString, used);
    // Where each program kept its copy before: its application data folder.
    actAs(QStringLiteral("Nomispot"));
    const QString windowFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    actAs(QStringLiteral("nomispot-check"));
    const QString terminalFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString sharedFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/nomispot");
    const std::pair<QString, int> copies[] = {
        {windowFolder, window}, {terminalFolder, terminal}, {sharedFolder, shared}};
    const QString names[] = {QStringLiteral("window"), QStringLiteral("terminal"),
                             QStringLiteral("shared")};
    for (std::size_t i = 0; i < std::size(copies); ++i) {
        const auto& [folder, year] = copies[i];
        if (year == 0)
            continue;
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(test::writeTextFile(
            folder + QStringLiteral("/rdap-dns.json"),
            bootstrapJson(QStringLiteral("%1-06-01T00:00:00Z").arg(year),
                          comService(QStringLiteral("https://%1.example/").arg(names[i])))));
    }

    for (const QString& program : {QStringLiteral("Nomispot"), QStringLiteral("nomispot-check")}) {
        actAs(program);
        QCOMPARE(userRdapBootstrapPath(), sharedFolder + QStringLiteral("/rdap-dns.json"));
        const Result<RdapBootstrap> loaded = loadRdapBootstrap(m_dataDir.path());
        QVERIFY2(loaded, qPrintable(loaded ? QString() : loaded.error().message));
        QCOMPARE(rdapServerFor(*loaded, QStringLiteral("name.com"))->host(),
                 used + QStringLiteral(".example"));
    }
}

void TestRdapBootstrap::namedFileNotAFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("device") << "/dev/zero"
                            << "it is a device, not a file";
    QTest::newRow("pipe") << "pipe"
                          << "it is a pipe, not a file";
    QTest::newRow("folder") << "folder"
                            << "it is a folder, not a file";
}

// The environment's file is refused with its name, never read without end nor waited on.
void TestRdapBootstrap::namedFileNotAFile() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = kind;
    if (kind == u"pipe") {
        path = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"folder") {
        path = dir.path();
    }
    qputenv("NOMISPOT_RDAP_BOOTSTRAP", QFile::encodeName(path));
    const Result<RdapBootstrap> loaded = loadRdapBootstrap(m_dataDir.path());
    QVERIFY(!loaded);
    QCOMPARE(loaded.error().message,
             QStringLiteral("Cannot read the registry list %1: %2").arg(path, reason));
}

QTEST_GUILESS_MAIN(TestRdapBootstrap)
#include "tst_rdap_bootstrap.moc"
