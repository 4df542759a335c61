// Faults around a running program: the nameserver going away in the middle of a check, a
// settings file that cannot be written or holds garbage, a broken data file.

#include "app_info.h"
#include "catalogue/catalogue_file.h"
#include "engine/run_plan.h"
#include "names/frm_main.h"
#include "names/main_menu.h"
#include "names/startup.h"
#include "nsd_server.h"
#include "results/frm_results.h"
#include "settings/frm_options.h"
#include "settings/frm_options_first.h"
#include "settings/settings_ops.h"
#include "settings/system_resolver.h"
#include "test_app.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace nomispot;

namespace {

const QString kNameserver = QStringLiteral("127.53.5.5");

frmResults* check(frmMain& window, const QString& text) {
    auto* names = window.findChild<QLineEdit*>(QStringLiteral("names"));
    names->setText(text);
    window.findChild<QRadioButton*>(QStringLiteral("checkmode(0)"))->click();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("activate")), Qt::LeftButton);
    return window.results();
}

// Messages other than the socket error one.
QStringList otherMessages(const test::MessageRecorder& messages) {
    QStringList other = messages.texts();
    other.removeIf(
        [](const QString& text) { return text.startsWith("Network error talking to "); });
    return other;
}

// A user who reads each message for a while, as a modal box keeps its own event loop running
// until closed: whatever the program does meanwhile happens inside that loop.
class ReadingUser : public test::MessageRecorder {
public:
    void show(const Message& message) override {
        MessageRecorder::show(message);
        QEventLoop reading;
        QTimer::singleShot(400, &reading, &QEventLoop::quit);
        reading.exec();
    }
};

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Keeps a file from being written for the guard's life. Permission bits do not stop root, so
// root gets the file system's immutable flag instead.
class Unwritable {
public:
    explicit Unwritable(const QString& path) : m_path(path) {
        m_ok = geteuid() == 0 ? setImmutable(true)
                              : QFile::setPermissions(path, QFileDevice::ReadOwner);
    }
    ~Unwritable() {
        if (m_ok && geteuid() == 0)
            setImmutable(false);
    }
    bool ok() const { return m_ok; }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }

    QString m_path;
    bool m_ok = false;
};

// The program as main() puts it together, on a settings file and a program directory of the
// test's choosing; write failures reach the recorded messages as they reach the user.
struct Program {
    explicit Program(const QString& settingsPath, const QString& dataDir = test::binDir()) {
        store = std::make_unique<SettingsStore>(settingsPath);
        store->setWriteFailureHandler([this](const QString& path) {
            app.messages.show(
                {appTitle(), settingsWriteFailureMessage(path), MessageIcon::Critical});
        });
        app.state.store = store.get();
        app.state.dataDir = dataDir;
        installMainMenu(window, app.state);
    }

    // Start-up; a first-run wizard is closed by its frame as soon as it shows.
    bool startUp() {
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (auto* wizard = qobject_cast<frmOptionsFirst*>(QApplication::activeModalWidget()))
                wizard->close();
        });
        closer.start(10);
        return StartUp(window, app.state);
    }

    test::TestApp app;
    std::unique_ptr<SettingsStore> store;
    frmMain window{app.state};
};

} // namespace

namespace nomispot {
char* toString(const DnsSettings& dns) {
    return QTest::toString(QStringLiteral("%1, %2 ms, %3 tries")
                               .arg(dns.nameserver)
                               .arg(dns.delayMs)
                               .arg(dns.retries));
}
} // namespace nomispot

Q_DECLARE_METATYPE(nomispot::DnsSettings)

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void nameserverStops_data();
    void nameserverStops();
    void sendErrorKeepsResults();
    void settingsCannotBeRead();
    void settingsCannotBeSaved_data();
    void settingsCannotBeSaved();
    void settingsFileCannotBeWritten();
    void garbageSettings_data();
    void garbageSettings();
    void brokenDataFile();
};

void TestFaults::nameserverStops_data() {
    QTest::addColumn<bool>("comesBack");
    QTest::addColumn<QStringList>("answered"); // the rest ends NotChecked
    QTest::newRow("stays down") << false << QStringList{"taken.com"};
    QTest::newRow("comes back") << true
                                << QStringList{"taken.com", "free.com", "taken.net", "free.net"};
}

// Stopped after its first reply, perhaps started again while the run still repeats its queries:
// the run goes on to its end, and what was not answered ends not checked. The user reads the
// network error message meanwhile; the run keeps reading its answers.
void TestFaults::nameserverStops() {
    QFETCH(bool, comesBack);
    QFETCH(QStringList, answered);

    NOMISPOT_START_NSD(nsd, kNameserver, test::NsdServer::standardZones());
    test::TestApp app;
    ReadingUser user;
    app.state.messages = &user;
    app.state.dns = {kNameserver, 50, 3};
    frmMain window(app.state);
    QPointer<frmResults> results = check(window, QStringLiteral("taken free"));
    QVERIFY(results);
    QSignalSpy socketErrors(&results->runner(), &QueryRunner::socketError);
    QSignalSpy sent(&results->runner(), &QueryRunner::querySent);
    QObject::connect(
        &results->runner(), &QueryRunner::progressChanged, results, [&nsd](int) { nsd.stop(); },
        Qt::SingleShotConnection);
    const auto runEnded = [&results] {
        return !results || results->stage() == frmResults::Stage::Finished;
    };
    if (comesBack) {
        // The self-test and the whole first pass go out; the pass after the stop, to the closed
        // port.
        const int firstPass = results->candidates().probeQueryCount() + 16;
        QTRY_VERIFY_WITH_TIMEOUT(runEnded() || sent.count() >= firstPass, 10000);
        QVERIFY(nsd.start());
    }

    QTRY_VERIFY_WITH_TIMEOUT(runEnded(), 20000);
    QVERIFY2(results, qPrintable(user.texts().join(u'|')));
    const CheckTable& table = results->candidates();
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r) {
            const CheckItem& item = table.at(c, r);
            const CheckState expected = !answered.contains(item.domain)    ? CheckState::NotChecked
                                        : item.domain.startsWith(u"taken") ? CheckState::Unavailable
                                                                           : CheckState::Available;
            QVERIFY2(item.state == expected, qPrintable(item.domain));
        }
    QCOMPARE(results->findChild<QPushButton*>(QStringLiteral("butCancelOk"))->text(),
             QStringLiteral("Close"));
    QVERIFY(!window.isRunActive());
    QCOMPARE(socketErrors.count(), 1);
    // One message naming the nameserver and the system's reason.
    QCOMPARE(user.texts().size() - otherMessages(user).size(), qsizetype(1));
    QVERIFY2(user.texts().constFirst().startsWith(
                 QStringLiteral("Network error talking to %1: ").arg(kNameserver)),
             qPrintable(user.texts().constFirst()));
    QCOMPARE(user.messages.front().icon, MessageIcon::Critical);
    QCOMPARE(otherMessages(user), QStringList());
}

// The socket fails after the first answer: the run ends with that answer, the window stays, and
// the user is told once what failed.
void TestFaults::sendErrorKeepsResults() {
    NOMISPOT_START_NSD(nsd, kNameserver, test::NsdServer::standardZones());
    test::TestApp app;
    app.state.dns = {kNameserver, 20, 3};
    frmMain window(app.state);
    QPointer<frmResults> results = check(window, QStringLiteral("taken free"));
    QVERIFY(results);
    QUdpSocket& socket = results->runner().socket();
    QObject::connect(
        &results->runner(), &QueryRunner::progressChanged, results,
        [&socket](int) { QTimer::singleShot(0, &socket, [&socket] { socket.close(); }); },
        Qt::SingleShotConnection);

    QTRY_VERIFY_WITH_TIMEOUT(!results || results->stage() == frmResults::Stage::Finished, 10000);
    QVERIFY(results);
    QTRY_COMPARE(app.messages.messages.size(), std::size_t(1));
    QVERIFY2(app.messages.texts()[0].startsWith(
                 QStringLiteral("Error communicating with nameserver.\r")) &&
                 app.messages.texts()[0].contains(kNameserver + QStringLiteral(": ")),
             qPrintable(app.messages.texts()[0]));
    QCOMPARE(app.messages.messages[0].icon, MessageIcon::Critical);
    const CheckTable& table = results->candidates();
    QCOMPARE(table.at(1, 1).state, CheckState::Unavailable); // taken.com
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r)
            if (c > 1 || r > 1)
                QCOMPARE(table.at(c, r).state, CheckState::NotChecked);
    QCOMPARE(table.at(8, 2).reason, NotCheckedReason::NotSent);
    QCOMPARE(results->findChild<QPushButton*>(QStringLiteral("butCancelOk"))->text(),
             QStringLiteral("Close"));
    QVERIFY(results->summary().contains(QStringLiteral("not sent")));
}

// A settings file that is there but cannot be read is said so, not taken for a first start alone.
void TestFaults::settingsCannotBeRead() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Nomispot.ini"));
    QVERIFY(QDir().mkpath(path));
    Program program(path);
    QVERIFY(program.startUp());
    QVERIFY(program.window.isVisible());
    QVERIFY(!program.app.messages.messages.empty());
    QVERIFY2(program.app.messages.texts()[0].startsWith(
                 QStringLiteral("Your settings cannot be read: %1 (").arg(path)),
             qPrintable(program.app.messages.texts()[0]));
}

void TestFaults::settingsCannotBeSaved_data() {
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("writable");
    // Qt creates a missing directory; a file where the directory should be stops every user.
    QTest::newRow("directory missing") << "new/deeper/Nomispot.ini" << true;
    QTest::newRow("directory cannot be made") << "blocker/Nomispot.ini" << false;
}

// A first start: the settings cannot be saved, the user is told once, and the values stay in
// effect for the session.
void TestFaults::settingsCannotBeSaved() {
    QFETCH(QString, relativePath);
    QFETCH(bool, writable);

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("blocker")), "a file, not a directory"));
    const QString path = dir.filePath(relativePath);
    Program program(path);
    QVERIFY(program.startUp());
    QVERIFY(program.window.isVisible());
    QCOMPARE(program.app.state.dns.nameserver, defaultNameserver());

    // The user sets a nameserver in DNS Settings.
    program.window.findChild<QAction*>(QStringLiteral("mnuServer"))->trigger();
    auto* options = program.window.findChild<frmOptions*>();
    QVERIFY(options);
    options->findChild<QLineEdit*>(QStringLiteral("txtDNSserver"))->setText(kNameserver);
    options->findChild<QLineEdit*>(QStringLiteral("txtDNSdelay"))->setText(QStringLiteral("25"));
    QTest::mouseClick(options->findChild<QPushButton*>(QStringLiteral("butOK")), Qt::LeftButton);
    QCOMPARE(program.app.state.dns, (DnsSettings{kNameserver, 25, 3}));

    const QStringList failures =
        program.app.messages.texts().filter(QStringLiteral("cannot be saved"));
    if (writable) {
        QCOMPARE(failures, QStringList());
        QVERIFY(readFile(path).contains("dns=" + kNameserver.toLatin1()));
    } else {
        QCOMPARE(failures, QStringList{settingsWriteFailureMessage(path)});
        QVERIFY(!QFile::exists(path));
    }
}

// A later start on a file that cannot be written: it is read as usual, a change is refused
// once with the message, and the file keeps what it held.
void TestFaults::settingsFileCannotBeWritten() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Nomispot.ini"));
    const QByteArray content = "[main]\ninit=False\ndns=10.1.2.3\nretries=5\ndelay=40\n"
                               "domains=user\n\n[domains]\ncom=1\n";
    QVERIFY(writeFile(path, content));
    const Unwritable guard(path);
    if (!guard.ok())
        QSKIP("this file system cannot keep root from writing a file");

    Program program(path);
    QVERIFY(program.startUp());
    QCOMPARE(program.app.state.dns, (DnsSettings{QStringLiteral("10.1.2.3"), 40, 5}));
    QCOMPARE(program.app.messages.texts(), QStringList());

    program.window.findChild<QAction*>(QStringLiteral("mnuServer"))->trigger();
    auto* options = program.window.findChild<frmOptions*>();
    QVERIFY(options);
    options->findChild<QLineEdit*>(QStringLiteral("txtDNSretries"))->setText(QStringLiteral("7"));
    QTest::mouseClick(options->findChild<QPushButton*>(QStringLiteral("butOK")), Qt::LeftButton);

    QCOMPARE(program.app.messages.texts(), QStringList{settingsWriteFailureMessage(path)});
    QCOMPARE(program.app.messages.messages[0].icon, MessageIcon::Critical);
    QCOMPARE(program.app.state.dns, (DnsSettings{QStringLiteral("10.1.2.3"), 40, 7}));
    QCOMPARE(readFile(path), content);
}

void TestFaults::garbageSettings_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<DnsSettings>("dns");
    QTest::addColumn<QList<int>>("selected"); // flags of com, net, org

    const QString root = defaultNameserver();
    QTest::newRow("not numbers")
        << QByteArray("[main]\ninit=False\ndns=10.0.0.1\nretries=three\ndelay=5x\n"
                      "[domains]\ncom=yes\nnet=1\norg=\n")
        << DnsSettings{QStringLiteral("10.0.0.1"), 50, 3} << QList<int>{0, 1, 0};
    QTest::newRow("too wide for the fields")
        << QByteArray("[main]\ninit=False\nretries=256\ndelay=40000\n[domains]\ncom=300\nnet=-1\n")
        << DnsSettings{root, 50, 3} << QList<int>{0, 0, 0};
    // Only the first-run set-up writes "init": any text means it ran, and the stored values stay.
    QTest::newRow("init not a truth value")
        << QByteArray("[main]\ninit=maybe\ndns=10.0.0.2\nretries=4\ndelay=60\n[domains]\norg=1\n")
        << DnsSettings{QStringLiteral("10.0.0.2"), 60, 4} << QList<int>{0, 0, 1};
    // A first run (no "init") fills only what is missing or unusable.
    QTest::newRow("first run keeps every stored value")
        << QByteArray("[main]\ndns=10.0.0.3\nretries=5\ndelay=70\ndomains=user\n[domains]\nnet=1\n")
        << DnsSettings{QStringLiteral("10.0.0.3"), 70, 5} << QList<int>{0, 1, 0};
    QTest::newRow("first run fills what is unusable")
        << QByteArray("[main]\ninit=True\ndns=10.0.0.4\nretries=0\ndelay=4\n")
        << DnsSettings{QStringLiteral("10.0.0.4"), 50, 3} << QList<int>{0, 0, 0};
    static const char kBinary[] = "[main]\ninit=False\n\0\xff\xfe[\x01]=\x02\ndelay=\x80\x81\n";
    QTest::newRow("binary bytes") << QByteArray(kBinary, sizeof kBinary - 1)
                                  << DnsSettings{root, 50, 3} << QList<int>{0, 0, 0};
}

// Start-up takes each unusable value's fallback and keeps the rest.
void TestFaults::garbageSettings() {
    QFETCH(QByteArray, content);
    QFETCH(DnsSettings, dns);
    QFETCH(QList<int>, selected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Nomispot.ini"));
    QVERIFY(writeFile(path, content));
    Program program(path);
    QVERIFY(program.startUp());
    QCOMPARE(program.app.messages.texts(), QStringList());
    QCOMPARE(program.app.state.dns, dns);
    // What start-up stored is what is in effect.
    DnsSettings stored;
    LoadDnsSettings(*program.store, stored);
    QCOMPARE(stored, dns);
    const TldCatalogue& catalogue = program.app.state.catalogue;
    QList<int> flags;
    for (const QString& tld : {QStringLiteral("com"), QStringLiteral("net"), QStringLiteral("org")})
        flags << catalogue[FindTldIndex(catalogue, tld)].selected;
    QCOMPARE(flags, selected);
}

// Broken lines, bytes of every value and more lines than slots: start-up names the lines it
// skipped and loads no more than the slots hold.
void TestFaults::brokenDataFile() {
    // Three fields, with control and high bytes in the second: skipped, as no text can show it.
    static const char kBinaryField[] = "bin;\x01\xfe\0;site";
    QTemporaryDir dataDir;
    const QString dataFile = catalogueFilePath(dataDir.path());
    QByteArray bytes;
    std::vector<int> skipped;
    int valid = 0;
    for (int line = 1; line <= 400; ++line) {
        QByteArray plain = QStringLiteral("t%1;Entry %1;https://t%1.example").arg(line).toLatin1();
        switch (line) {
        case 2:
            plain.clear();
            break;
        case 5:
            plain = "two;fields";
            break;
        case 9:
            plain = QByteArray("\0\xff\x80\r", 4);
            break;
        case 12:
            plain = QByteArray(kBinaryField, sizeof kBinaryField - 1);
            break;
        default:
            break;
        }
        const bool control = std::any_of(plain.cbegin(), plain.cend(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20;
        });
        const bool loads = plain.count(';') >= 2 && !control && valid < TldCatalogue::kSlots;
        if (loads)
            ++valid;
        else
            skipped.push_back(line);
        bytes += DecodeLine(QString::fromLatin1(plain)).toLatin1() + (line % 2 ? "\r\n" : "\n");
    }
    QVERIFY(writeFile(dataFile, bytes));
    QVERIFY(QFile::copy(test::binDir() + QStringLiteral("/registration-rules.tsv"),
                        dataDir.filePath(QStringLiteral("registration-rules.tsv"))));
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("Nomispot.ini"));
    QVERIFY(writeFile(settings, "[main]\ninit=False\n[domains]\nt400=1\nt1=1\n"));

    Program program(settings, dataDir.path());
    QVERIFY(program.startUp());
    QVERIFY(program.window.isVisible());
    QCOMPARE(program.app.messages.texts(), QStringList{skippedLinesMessage(dataFile, skipped)});
    const TldCatalogue& catalogue = program.app.state.catalogue;
    QCOMPARE(catalogue.count, std::int16_t(TldCatalogue::kSlots));
    QCOMPARE(catalogue[0].tld, QStringLiteral("t1"));
    QVERIFY(catalogue[0].isSelected());
    QCOMPARE(catalogue[7].tld, QStringLiteral("t11"));
    QCOMPARE(catalogue[8].tld, QStringLiteral("t13"));
    QCOMPARE(catalogue[300].tld, QStringLiteral("t305"));
    QCOMPARE(FindTldIndex(catalogue, QStringLiteral("t400")), std::int16_t(0));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
