// The installed programs, run as a user runs them: `cmake --install` of this build into a
// temporary DESTDIR or, with NOMISPOT_INSTALLED_PREFIX set (e.g. /usr), what the packages
// installed. Nothing of the build tree is used but the installer.
#include "install_layout.h"
#include "nsd_server.h"
#include "settings/settings_ops.h"
#include "settings/settings_store.h"

#include <QDirIterator>
#include <QHelpEngineCore>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace nomispot;
namespace layout = nomispot::test::layout;

namespace {

const QString kNameserver = QStringLiteral("127.0.0.77");

struct Run {
    int status = -1;
    QString out;
    QString err;
};

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

// The options a program's --help lists, in its option lines.
QStringList listedOptions(const QString& help) {
    static const QRegularExpression option(QStringLiteral("^ *(?:-[a-z], )?(--[a-z][a-z-]*)"),
                                           QRegularExpression::MultilineOption);
    QStringList options;
    for (auto it = option.globalMatch(help); it.hasNext();)
        options << it.next().captured(1);
    return options;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void layout();
    void checkFindsItsData();
    void dataDirFromEnvironment();
    void windowStarts();
    void helpIsFound();
    void desktopFilesValidate();
    void manPageListsEveryOption();
    void bashCompletionOffersOptions();

private:
    // A file of the installed tree: dir is one of the layout's folders, relative to the prefix.
    QString installed(const char* dir, const QString& name = {}) const;
    QString program(const char* name) const;
    Run run(const QString& program, const QStringList& args,
            const QProcessEnvironment& env = {}) const;

    QTemporaryDir m_root;
    QString m_prefix;
    bool m_packaged = false; // testing what packages installed, not this build
    std::unique_ptr<QTemporaryDir> m_home;
    QProcessEnvironment m_env; // a user's, with a home of its own for every test
};

void TestInstall::initTestCase() {
    QVERIFY(m_root.isValid());
    m_prefix = qEnvironmentVariable("NOMISPOT_INSTALLED_PREFIX");
    m_packaged = !m_prefix.isEmpty();
    if (m_packaged)
        return;
    m_prefix = m_root.path() + latin1(layout::kPrefix);
    QProcess install;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), m_root.path());
    install.setProcessEnvironment(env);
    install.start(latin1(layout::kCmake), {QStringLiteral("--install"), latin1(layout::kBuildDir)});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAllStandardError().constData());
}

void TestInstall::init() {
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    m_env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"NOMISPOT_DATA_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        m_env.remove(latin1(name));
    m_env.insert(QStringLiteral("HOME"), m_home->path());
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
}

QString TestInstall::installed(const char* dir, const QString& name) const {
    const QString path = m_prefix + u'/' + latin1(dir);
    return name.isEmpty() ? path : path + u'/' + name;
}

QString TestInstall::program(const char* name) const {
    return installed(layout::kBinDir, latin1(name));
}

Run TestInstall::run(const QString& program, const QStringList& args,
                     const QProcessEnvironment& env) const {
    QProcess process;
    process.setProcessEnvironment(env.isEmpty() ? m_env : env);
    process.start(program, args);
    Run result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("did not end: ") + program;
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestInstall::layout() {
    const QString id = latin1(layout::kAppId);
    QStringList files{
        installed(layout::kProgramDataDir, QStringLiteral("nspot.dll")),
        installed(layout::kProgramDataDir, QStringLiteral("rdap-dns.json")),
        installed(layout::kProgramDataDir, QStringLiteral("whois-servers.tsv")),
        installed(layout::kProgramDataDir, QStringLiteral("whois-answers.tsv")),
        installed(layout::kProgramDataDir, QStringLiteral("registration-rules.tsv")),
        installed(layout::kProgramDataDir, QStringLiteral("nomispot.qch")),
        installed(layout::kDataDir, QStringLiteral("applications/%1.desktop").arg(id)),
        installed(layout::kDataDir, QStringLiteral("metainfo/%1.metainfo.xml").arg(id)),
        installed(layout::kDataDir, QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(id)),
        installed(layout::kManDir, QStringLiteral("man1/nomispot.1.gz")),
        installed(layout::kManDir, QStringLiteral("man1/nomispot-check.1.gz")),
        installed(layout::kDataDir, QStringLiteral("bash-completion/completions/nomispot-check")),
    };
    // A package may be built with a library folder of its own (helpIsFound finds the library
    // all the same), and shares bin/ with other programs.
    if (!m_packaged) {
        files << installed(layout::kLibraryDir, QStringLiteral("libnomispot_help_window.so"));
        // The two programs, and no build helper or test beside them.
        QCOMPARE(QDir(installed(layout::kBinDir)).entryList(QDir::Files),
                 QStringList({QStringLiteral("nomispot"), QStringLiteral("nomispot-check")}));
    }
    for (const QString& file : files)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));

    // Every PNG icon is drawn at the size its folder names, and shows something.
    QStringList sizes;
    QDirIterator pngs(installed(layout::kDataDir, QStringLiteral("icons/hicolor")),
                      {id + QStringLiteral(".png")}, QDir::Files, QDirIterator::Subdirectories);
    while (pngs.hasNext()) {
        const QString path = pngs.next();
        const QString size = path.section(u'/', -3, -3);
        const QImage icon(path);
        QCOMPARE(QStringLiteral("%1x%2").arg(icon.width()).arg(icon.height()), size);
        QVERIFY2(qAlpha(icon.pixel(icon.width() / 2, icon.height() * 3 / 4)) > 0, qPrintable(path));
        sizes << size;
    }
    QVERIFY2(sizes.contains(QStringLiteral("16x16")) && sizes.contains(QStringLiteral("512x512")),
             qPrintable(sizes.join(u' ')));
}

void TestInstall::checkFindsItsData() {
    NOMISPOT_START_NSD(nsd, kNameserver, test::NsdServer::standardZones());
    const Run result =
        run(program("nomispot-check"),
            {QStringLiteral("--nameserver"), kNameserver, QStringLiteral("--tlds"),
             QStringLiteral("com,co.uk"), QStringLiteral("--delay"), QStringLiteral("5"),
             QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--quiet"),
             QStringLiteral("taken"), QStringLiteral("nobodyhasthisname")});
    QVERIFY2(result.status == 0, qPrintable(result.err));
    const QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
    // The registry site comes from the installed data file.
    for (const char* line : {"taken.com,taken,com,unavailable,",
                             "nobodyhasthisname.com,nobodyhasthisname,com,available,",
                             "nobodyhasthisname.co.uk,nobodyhasthisname,co.uk,available,"}) {
        QVERIFY2(std::any_of(lines.cbegin(), lines.cend(),
                             [line](const QString& l) {
                                 return l.startsWith(latin1(line)) &&
                                        l.section(u',', 4, 4).startsWith(u"http");
                             }),
                 qPrintable(result.out));
    }
}

void TestInstall::dataDirFromEnvironment() {
    QTemporaryDir elsewhere;
    QProcessEnvironment env = m_env;
    env.insert(QStringLiteral("NOMISPOT_DATA_DIR"), elsewhere.path());
    const Run result = run(program("nomispot-check"),
                           {QStringLiteral("--nameserver"), kNameserver, QStringLiteral("x")}, env);
    QCOMPARE(result.status, 1);
    QVERIFY2(result.err.contains(QStringLiteral("Cannot find nspot.dll")) &&
                 result.err.contains(elsewhere.path()),
             qPrintable(result.err));
}

void TestInstall::windowStarts() {
    {
        SettingsStore store(m_home->filePath(QStringLiteral(".config/Nomispot/Nomispot.ini")));
        markFirstRunDone(store);
        QVERIFY(store.flush());
    }
    QProcessEnvironment env = m_env;
    env.insert(QStringLiteral("NOMISPOT_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    const Run result = run(program("nomispot"), {}, env);
    QCOMPARE(result.out, QStringLiteral("shown\n"));
    QCOMPARE(result.status, 0);
}

void TestInstall::helpIsFound() {
    // The first start registers the help file with the help engine, through the help window
    // library, before the first-run wizard waits for its user.
    QProcess window;
    window.setProcessEnvironment(m_env);
    window.start(program("nomispot"));
    QVERIFY(window.waitForStarted());
    const auto end = qScopeGuard([&window] {
        window.kill();
        window.waitForFinished();
    });
    const QString helpFile = installed(layout::kProgramDataDir, QStringLiteral("nomispot.qch"));
    const QString ns = QHelpEngineCore::namespaceName(helpFile);
    QVERIFY(!ns.isEmpty());
    auto registered = [&] {
        QDirIterator found(m_home->path(), {QStringLiteral("nomispot.qhc")},
                           QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        if (!found.hasNext())
            return QString();
        QHelpEngineCore engine(found.next());
        return engine.setupData() ? QFileInfo(engine.documentationFileName(ns)).canonicalFilePath()
                                  : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(registered(), QFileInfo(helpFile).canonicalFilePath(), 30000);
    QCOMPARE(window.state(), QProcess::Running);
}

void TestInstall::desktopFilesValidate() {
    const QString id = latin1(layout::kAppId);
    const QString desktop =
        installed(layout::kDataDir, QStringLiteral("applications/%1.desktop").arg(id));
    const QString metainfo =
        installed(layout::kDataDir, QStringLiteral("metainfo/%1.metainfo.xml").arg(id));
    for (const char* tool : {"desktop-file-validate", "appstreamcli"})
        QVERIFY2(!QStandardPaths::findExecutable(latin1(tool)).isEmpty(),
                 qPrintable(latin1(tool) + QStringLiteral(" is missing: apt-get install "
                                                          "desktop-file-utils appstream")));
    Run result = run(QStringLiteral("desktop-file-validate"), {desktop});
    QVERIFY2(result.status == 0, qPrintable(result.out + result.err));
    result = run(QStringLiteral("appstreamcli"),
                 {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    QVERIFY2(result.status == 0, qPrintable(result.out + result.err));

    // The newest release listed is this version.
    QFile file(metainfo);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch newest =
        QRegularExpression(QStringLiteral("<release version=\"([^\"]+)\""))
            .match(QString::fromUtf8(file.readAll()));
    QCOMPARE(newest.captured(1), latin1(layout::kVersion));
}

void TestInstall::manPageListsEveryOption() {
    const Run help = run(program("nomispot-check"), {QStringLiteral("--help")});
    QCOMPARE(help.status, 0);
    const QStringList options = listedOptions(help.out);
    QVERIFY(options.size() > 10);
    const Run page = run(QStringLiteral("gzip"),
                         {QStringLiteral("-dc"),
                          installed(layout::kManDir, QStringLiteral("man1/nomispot-check.1.gz"))});
    QCOMPARE(page.status, 0);
    for (QString option : options)
        QVERIFY2(page.out.contains(option.replace(u'-', QStringLiteral("\\-"))),
                 qPrintable(option + QStringLiteral(" is not in the manual page")));
}

void TestInstall::bashCompletionOffersOptions() {
    const Run result = run(
        QStringLiteral("bash"),
        {QStringLiteral("-c"),
         QStringLiteral("source \"$1\"; COMP_WORDS=(\"$2\" --no); COMP_CWORD=1; _nomispot_check; "
                        "echo \"${COMPREPLY[*]}\""),
         QStringLiteral("bash"),
         installed(layout::kDataDir, QStringLiteral("bash-completion/completions/nomispot-check")),
         program("nomispot-check")});
    QCOMPARE(result.err, QString());
    QCOMPARE(result.out, QStringLiteral("--no-self-test\n"));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
