#include "app_info.h"
#include "help/system_info.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <map>

using namespace nomispot;

namespace {

const QString kFirstKey = QString::fromLatin1(kMsinfoKey);
const QString kSecondKey = QString::fromLatin1(kToolsLocationKey);

// Machine values the test sets; absent ones are not there.
class FakeValues : public MachineValues {
public:
    std::optional<QString> value(const QString& key, const QString& name) override {
        const auto it = m_values.find({key, name});
        if (it == m_values.end())
            return std::nullopt;
        return it->second;
    }
    void set(const QString& key, const QString& name, const QString& text) {
        m_values[{key, name}] = text;
    }

private:
    std::map<std::pair<QString, QString>, QString> m_values;
};

// Look-ups and program start as the test sets them, recording what was asked.
struct Platform {
    std::shared_ptr<FakeValues> values = std::make_shared<FakeValues>();
    QStringList existingFiles;
    bool startSucceeds = true;
    QStringList filesAsked;
    QStringList started;

    SysInfoTools tools() {
        SysInfoTools t;
        t.values = values;
        t.fileExists = [this](const QString& path) {
            filesAsked << path;
            return existingFiles.contains(path);
        };
        t.start = [this](const QString& program) {
            started << program;
            return startSucceeds;
        };
        return t;
    }
};

QString msinfoIn(const QString& dir) {
    return dir + QDir::separator() + QStringLiteral("MSINFO32.EXE");
}

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestSystemInfo : public QObject {
    Q_OBJECT
private slots:
    void startSysInfo_data();
    void startSysInfo();
    void firstPathIsNotTestedForExistence();
    void getKeyValue_data();
    void getKeyValue();
    void systemValuesReadSystemIniFiles();
    void systemValuesFallBackToAnInstalledViewer();
    void systemValuesWithoutViewer();
};

void TestSystemInfo::startSysInfo_data() {
    QTest::addColumn<QString>("first");  // "-" when the value is absent
    QTest::addColumn<QString>("second"); // "-" when the value is absent
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QString>("expectedStart"); // empty when nothing is started
    QTest::addColumn<bool>("expectMessage");

    const QString viewer = QStringLiteral("/opt/sysinfo/viewer");
    const QString dir = QStringLiteral("/opt/shared tools");
    QTest::newRow("first value") << viewer << dir << true << true << viewer << false;
    QTest::newRow("first value, start fails") << viewer << "-" << false << false << viewer << true;
    QTest::newRow("first value with a NUL")
        << viewer + QChar(u'\0') << "-" << false << true << viewer << false;
    QTest::newRow("second value, file there")
        << "-" << dir << true << true << msinfoIn(dir) << false;
    QTest::newRow("second value with a NUL, file there")
        << "-" << dir + QChar(u'\0') << true << true << msinfoIn(dir) << false;
    QTest::newRow("second value, no file") << "-" << dir << false << true << QString() << true;
    QTest::newRow("second value, start fails")
        << "-" << dir << true << false << msinfoIn(dir) << true;
    QTest::newRow("neither value") << "-"
                                   << "-" << true << true << QString() << true;
}

void TestSystemInfo::startSysInfo() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, fileThere);
    QFETCH(bool, startSucceeds);
    QFETCH(QString, expectedStart);
    QFETCH(bool, expectMessage);

    Platform platform;
    if (first != QLatin1String("-"))
        platform.values->set(kFirstKey, QStringLiteral("PATH"), first);
    if (second != QLatin1String("-"))
        platform.values->set(kSecondKey, QStringLiteral("MSINFO"), second);
    if (fileThere)
        platform.existingFiles << msinfoIn(QStringLiteral("/opt/shared tools"));
    platform.startSucceeds = startSucceeds;

    test::MessageRecorder messages;
    StartSysInfo(platform.tools(), messages);

    QCOMPARE(platform.started,
             expectedStart.isEmpty() ? QStringList() : QStringList{expectedStart});
    QCOMPARE(messages.messages.size(), std::size_t(expectMessage ? 1 : 0));
    if (expectMessage) {
        const Message& m = messages.messages.front();
        QCOMPARE(m.title, QStringLiteral("Nomispot"));
        QCOMPARE(m.text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(m.icon, MessageIcon::None);
    }
}

void TestSystemInfo::firstPathIsNotTestedForExistence() {
    Platform platform;
    platform.values->set(kFirstKey, QStringLiteral("PATH"), QStringLiteral("/nowhere/viewer"));
    platform.values->set(kSecondKey, QStringLiteral("MSINFO"), QStringLiteral("/nowhere"));
    QCOMPARE(FindSysInfoProgram(platform.tools()),
             std::optional(QStringLiteral("/nowhere/viewer")));
    QVERIFY(platform.filesAsked.isEmpty());
}

void TestSystemInfo::getKeyValue_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<bool>("expectedResult");
    QTest::addColumn<QString>("expectedText");

    const QString full(1024, u'x');
    QTest::newRow("plain text") << true << "C:\\Tools" << true << "C:\\Tools";
    QTest::newRow("ends in a NUL")
        << true << QStringLiteral("C:\\Tools") + QChar(u'\0') << true << "C:\\Tools";
    QTest::newRow("fills the buffer, no NUL") << true << full << true << full;
    QTest::newRow("only the last NUL goes")
        << true << QStringLiteral("ab") + QChar(u'\0') + QChar(u'\0') << true
        << QStringLiteral("ab") + QChar(u'\0');
    QTest::newRow("NUL inside stays") << true << QStringLiteral("a") + QChar(u'\0') + "b" << true
                                      << QStringLiteral("a") + QChar(u'\0') + "b";
    QTest::newRow("empty value") << true << "" << true << "";
    QTest::newRow("absent") << false << "" << false << "";
}

void TestSystemInfo::getKeyValue() {
    QFETCH(bool, present);
    QFETCH(QString, raw);
    QFETCH(bool, expectedResult);
    QFETCH(QString, expectedText);

    FakeValues values;
    if (present)
        values.set(QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Value"), raw);
    QString text = QStringLiteral("left over");
    QCOMPARE(GetKeyValue(values, QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Value"), text),
             expectedResult);
    QCOMPARE(text, expectedText);
}

void TestSystemInfo::systemValuesReadSystemIniFiles() {
    QTemporaryDir etc;
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, etc.path());
    writeFile(etc.filePath(QStringLiteral("Microsoft/Shared Tools.ini")),
              "[MSINFO]\nPATH=/usr/local/bin/msinfo\n");
    writeFile(etc.filePath(QStringLiteral("Microsoft/Shared Tools Location.ini")),
              "[General]\nMSINFO=/usr/local/share/tools\n");

    QTemporaryDir noPrograms;
    SystemMachineValues values({noPrograms.path()});
    QCOMPARE(values.value(kFirstKey, QStringLiteral("PATH")),
             std::optional(QStringLiteral("/usr/local/bin/msinfo")));
    QCOMPARE(values.value(kSecondKey, QStringLiteral("MSINFO")),
             std::optional(QStringLiteral("/usr/local/share/tools")));
    QCOMPARE(values.value(kFirstKey, QStringLiteral("OTHER")), std::nullopt);
    QCOMPARE(values.value(QStringLiteral("SOFTWARE\\Nobody\\Nothing"), QStringLiteral("PATH")),
             std::nullopt);
}

void TestSystemInfo::systemValuesFallBackToAnInstalledViewer() {
    QTemporaryDir etc;
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, etc.path());
    QTemporaryDir bin;
    for (const QString& name :
         {QStringLiteral("kinfocenter"), QStringLiteral("gnome-system-monitor")}) {
        writeFile(bin.filePath(name), "#!/bin/sh\n");
        QFile::setPermissions(bin.filePath(name), QFile::ReadOwner | QFile::ExeOwner);
    }

    SystemMachineValues values({bin.path()});
    // The preferred viewer of those installed stands in for the viewer's own key only.
    QCOMPARE(values.value(kFirstKey, QStringLiteral("PATH")),
             std::optional(bin.filePath(QStringLiteral("kinfocenter"))));
    QCOMPARE(values.value(kSecondKey, QStringLiteral("MSINFO")), std::nullopt);
}

void TestSystemInfo::systemValuesWithoutViewer() {
    QTemporaryDir etc;
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, etc.path());
    QTemporaryDir bin;
    writeFile(bin.filePath(QStringLiteral("hardinfo")), "not a program"); // not executable

    SystemMachineValues values({bin.path()});
    QCOMPARE(values.value(kFirstKey, QStringLiteral("PATH")), std::nullopt);

    // The whole chain then ends in the message.
    SysInfoTools tools = SysInfoTools::system();
    tools.values = std::make_shared<SystemMachineValues>(QStringList{bin.path()});
    tools.start = [](const QString&) { return true; };
    test::MessageRecorder messages;
    StartSysInfo(tools, messages);
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
}

QTEST_GUILESS_MAIN(TestSystemInfo)
#include "tst_system_info.moc"
