#include "help/help_file.h"
#include "help/help_module.h"
#include "help/help_window.h"
#include "test_app.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QHelpEngineCore>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>

using namespace nomispot;

namespace {

QString builtHelpFile() {
    return HelpFilePath(1, test::binDir());
}

// The pages of the built help file by file name, with their text.
QMap<QString, QString> helpPages(const QString& collection) {
    QHelpEngineCore engine(collection);
    engine.setUsesFilterEngine(true);
    QMap<QString, QString> pages;
    if (!engine.setupData())
        return pages;
    const QString ns = QHelpEngineCore::namespaceName(builtHelpFile());
    for (const QUrl& url : engine.files(ns, QString()))
        pages.insert(url.fileName(), QString::fromUtf8(engine.fileData(url)));
    return pages;
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void helpFileHoldsThePages_data();
    void helpFileHoldsThePages();
    void linksBetweenPagesResolve();
    void registerHelpTwice();
    void registerFollowsAMovedHelpFile();
    void registerRefusesBadFiles_data();
    void registerRefusesBadFiles();
    void registerRefusesUnwritableCollection();
    void showHelpOpensMainOnIndex();
    void showHelpKeepsOneWindow();
    void missingHelpFileShowsAPage();
    void contentsFollowLinks();
    void keysMoveAndClose();
    void contentsOpenOnOneClick();
    void helpModuleLoadsFromProgramDir();
    void helpModuleMissingOrBroken_data();
    void helpModuleMissingOrBroken();

private:
    QTemporaryDir m_dir;
};

void TestHelp::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY2(QFile::exists(builtHelpFile()), qPrintable(builtHelpFile()));
}

void TestHelp::init() {
    QFile::remove(helpCollectionPath());
}

void TestHelp::cleanup() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<HelpWindow*>(w))
            delete w;
}

void TestHelp::helpFileHoldsThePages_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("mustMention");
    QTest::newRow("contents") << "index.html"
                              << "Help Contents";
    QTest::newRow("checking names") << "checking.html"
                                    << "Illegal characters encountered";
    QTest::newRow("modes") << "modes.html"
                           << "Check Combinations";
    QTest::newRow("domains") << "domains.html"
                             << "Personal selection of domains";
    QTest::newRow("dns") << "dns.html"
                         << "Delay between queries";
    QTest::newRow("zone files") << "zonefiles.html"
                                << "~/.cache/nomispot/zone-index";
    QTest::newRow("pictures") << "results.html"
                              << "blue question mark";
    QTest::newRow("cell menu") << "actions.html"
                               << "Copy list to Clipboard";
    QTest::newRow("free but taken") << "caveats.html"
                                    << "Premium names";
    QTest::newRow("registries") << "registry.html"
                                << "Confirm Free Names With Registries";
    QTest::newRow("not checked") << "notchecked.html"
                                 << "was not checked";
    QTest::newRow("messages") << "messages.html"
                              << "System Information Is Unavailable At This Time";
}

void TestHelp::helpFileHoldsThePages() {
    QFETCH(QString, page);
    QFETCH(QString, mustMention);
    const QString collection = m_dir.filePath(QStringLiteral("pages.qhc"));
    QVERIFY(registerHelpFile(collection, builtHelpFile()));
    const QString text = helpPages(collection).value(page);
    QVERIFY2(text.contains(QStringLiteral("<title>")), qPrintable(page));
    QVERIFY2(text.contains(mustMention), qPrintable(page));
}

void TestHelp::linksBetweenPagesResolve() {
    const QString collection = m_dir.filePath(QStringLiteral("links.qhc"));
    QVERIFY(registerHelpFile(collection, builtHelpFile()));
    const QMap<QString, QString> pages = helpPages(collection);
    QVERIFY(pages.contains(QStringLiteral("style.css")));
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    int links = 0;
    for (auto page = pages.cbegin(); page != pages.cend(); ++page) {
        for (const auto& match : href.globalMatch(page.value())) {
            const QString target = match.captured(1).section(u'#', 0, 0);
            QVERIFY2(pages.contains(target), qPrintable(page.key() + " -> " + target));
            ++links;
        }
    }
    QVERIFY(links > 10);
}

void TestHelp::registerHelpTwice() {
    QVERIFY(registerHelp(test::binDir()));
    QVERIFY(registerHelp(test::binDir()));
    QHelpEngineCore engine(helpCollectionPath());
    QVERIFY(engine.setupData());
    QCOMPARE(engine.registeredDocumentations().size(), 1);
}

void TestHelp::registerFollowsAMovedHelpFile() {
    QVERIFY(registerHelp(test::binDir()));
    const QString moved = m_dir.filePath(QStringLiteral("moved"));
    QVERIFY(QDir().mkpath(moved));
    QFile::remove(HelpFilePath(1, moved));
    QVERIFY(QFile::copy(builtHelpFile(), HelpFilePath(1, moved)));

    QVERIFY(registerHelp(moved));
    QHelpEngineCore engine(helpCollectionPath());
    QVERIFY(engine.setupData());
    const QString ns = QHelpEngineCore::namespaceName(builtHelpFile());
    QCOMPARE(QFileInfo(engine.documentationFileName(ns)), QFileInfo(HelpFilePath(1, moved)));
}

void TestHelp::registerRefusesBadFiles_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a help file") << QByteArray("this is not a help file\n");
}

void TestHelp::registerRefusesBadFiles() {
    QFETCH(QByteArray, content);
    QTemporaryDir dataDir;
    if (!content.isEmpty()) {
        QFile file(HelpFilePath(1, dataDir.path()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QVERIFY(!registerHelp(dataDir.path()));
}

void TestHelp::registerRefusesUnwritableCollection() {
    // A collection below a plain file cannot be created.
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!registerHelpFile(blocker + QStringLiteral("/help/nomispot.qhc"), builtHelpFile()));
}

void TestHelp::showHelpOpensMainOnIndex() {
    HelpWindow* window = ShowHelp(test::binDir(), 1, QStringLiteral("Main"));
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Nomispot Help"));
    QVERIFY(window->hasHelp());
    QCOMPARE(window->browser()->source().scheme(), QStringLiteral("qthelp"));
    QCOMPARE(window->browser()->source().fileName(), QStringLiteral("index.html"));
    QVERIFY(window->browser()->toPlainText().contains(QStringLiteral("Nomispot Help")));
    QCOMPARE(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Window);
}

void TestHelp::showHelpKeepsOneWindow() {
    HelpWindow* first = ShowHelp(test::binDir(), 1, QStringLiteral("Main"));
    QCOMPARE(ShowHelp(test::binDir(), 1, QStringLiteral("Main")), first);

    QPointer<HelpWindow> closed(first);
    first->close();
    HelpWindow* next = ShowHelp(test::binDir(), 1, QStringLiteral("Main"));
    QVERIFY(next != first || !closed);
    QVERIFY(next->isVisible());
    QTRY_VERIFY(!closed);
}

void TestHelp::missingHelpFileShowsAPage() {
    test::TestApp app;
    QTemporaryDir empty;
    HelpWindow* window = ShowHelp(empty.path(), 1, QStringLiteral("Main"));
    QVERIFY(window->isVisible());
    QVERIFY(!window->hasHelp());
    QVERIFY(window->browser()->toPlainText().contains(QStringLiteral("The help file is missing")));
    QVERIFY(app.messages.messages.empty());
}

// Alt+Left and Alt+Right go back and forth through the pages seen; Esc closes the window.
void TestHelp::keysMoveAndClose() {
    HelpWindow* window = ShowHelp(test::binDir(), 1, QStringLiteral("Main"));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTextBrowser* browser = window->browser();
    const QUrl index = browser->source();
    const QUrl modes = index.resolved(QUrl(QStringLiteral("modes.html")));
    emit browser->anchorClicked(modes);
    QCOMPARE(browser->source(), modes);
    QTest::keyClick(window, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(browser->source(), index);
    QTest::keyClick(window, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(browser->source(), modes);
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
}

void TestHelp::contentsFollowLinks() {
    HelpWindow* window = ShowHelp(test::binDir(), 1, QStringLiteral("Main"));
    QTextBrowser* browser = window->browser();
    const QUrl modes = browser->source().resolved(QUrl(QStringLiteral("modes.html")));
    emit browser->anchorClicked(modes);
    QCOMPARE(browser->source(), modes);
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Check Seperately")));
}

// One click on an entry of the contents opens its page.
void TestHelp::contentsOpenOnOneClick() {
    HelpWindow* window = ShowHelp(test::binDir(), 1, QStringLiteral("Main"));
    auto* contents = window->findChild<QTreeView*>(QStringLiteral("helpContents"));
    QVERIFY(contents);
    QTRY_VERIFY(contents->model()->rowCount() > 0);
    const QModelIndex root = contents->model()->index(0, 0);
    QTRY_VERIFY(contents->model()->rowCount(root) > 1);
    const QModelIndex entry = contents->model()->index(1, 0, root);
    contents->scrollTo(entry);
    const QUrl before = window->browser()->source();
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {},
                      contents->visualRect(entry).center());
    QVERIFY(window->browser()->source() != before);
}

void TestHelp::helpModuleLoadsFromProgramDir() {
    const HelpModule* help = loadHelpModule(test::binDir());
    QVERIFY(help);
    QVERIFY(help->registerHelp(test::binDir()));
    auto* window = qobject_cast<HelpWindow*>(
        help->showHelp(test::binDir(), 1, QStringLiteral("Main"), nullptr));
    QVERIFY(window);
    QVERIFY(window->hasHelp());
}

void TestHelp::helpModuleMissingOrBroken_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no library at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a library") << QByteArray("\x7f"
                                                 "ELF but not really\n");
}

void TestHelp::helpModuleMissingOrBroken() {
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    if (!content.isEmpty()) {
        QFile file(dir.filePath(QStringLiteral("libnomispot_help_window.so")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QVERIFY(!loadHelpModule(dir.path()));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
