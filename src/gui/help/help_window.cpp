#include "help/help_window.h"

#include "app_info.h"
#include "help/help_file.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QSplitter>
#include <QTextBrowser>

namespace nomispot {

namespace {

// Reads qthelp:// pages, style sheets and pictures out of the help engine.
class HelpBrowser : public QTextBrowser {
public:
    HelpBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), m_engine(engine) {}

    QVariant loadResource(int type, const QUrl& name) override {
        if (m_engine && name.scheme() == QLatin1String("qthelp"))
            return m_engine->fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine* m_engine;
};

QUrl startPage(QHelpEngine& engine, const QString& helpFile) {
    const QString ns = QHelpEngineCore::namespaceName(helpFile);
    const QList<QUrl> pages = engine.files(ns, QString(), QStringLiteral("html"));
    for (const QUrl& page : pages)
        if (page.fileName() == QLatin1String("index.html"))
            return page;
    return pages.value(0);
}

} // namespace

HelpWindow::HelpWindow(const QString& windowName, const QString& helpFile,
                       const QString& collectionFile, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_helpFile(helpFile) {
    setObjectName(windowName);
    setWindowTitle(appTitle() + QStringLiteral(" Help"));
    resize(780, 560);

    if (!collectionFile.isEmpty()) {
        m_engine = new QHelpEngine(collectionFile, this);
        m_engine->setUsesFilterEngine(true);
        if (!m_engine->setupData()) {
            delete m_engine;
            m_engine = nullptr;
        }
    }

    m_browser = new HelpBrowser(m_engine, this);
    m_browser->setObjectName(QStringLiteral("helpPage"));
    // qthelp links stay in the window; anything else goes to the desktop.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("qthelp"))
            m_browser->setSource(url);
        else
            QDesktopServices::openUrl(url);
    });

    // Esc closes help; the desktop's Back and Forward keys (Alt+Left, Alt+Right) move through the
    // pages seen, wherever the focus is.
    const auto key = [this](const QList<QKeySequence>& keys, auto slot) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, slot);
    };
    key({QKeySequence(Qt::Key_Escape)}, [this] { close(); });
    key({QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Back)},
        [this] { m_browser->backward(); });
    key({QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::Key_Forward)},
        [this] { m_browser->forward(); });

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!m_engine) {
        layout->addWidget(m_browser);
        showMissingPage();
        return;
    }

    auto* splitter = new QSplitter(this);
    QHelpContentWidget* contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("helpContents"));
    splitter->addWidget(contents);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 520});
    layout->addWidget(splitter);

    connect(contents, &QHelpContentWidget::linkActivated, m_browser,
            [this](const QUrl& url) { m_browser->setSource(url); });
    // One click opens an entry, as in any help viewer.
    connect(contents, &QHelpContentWidget::clicked, m_browser, [this](const QModelIndex& index) {
        if (const QHelpContentItem* item = m_engine->contentModel()->contentItemAt(index))
            m_browser->setSource(item->url());
    });
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        contents->expandAll();
        syncContents(m_browser->source());
    });

    const QUrl start = startPage(*m_engine, helpFile);
    if (start.isEmpty())
        showMissingPage();
    else
        m_browser->setSource(start);
}

void HelpWindow::showMissingPage() {
    m_browser->setHtml(QStringLiteral("<h2>Nomispot Help</h2><p>The help file is missing.</p>"
                                      "<p>It belongs here: <code>%1</code></p>")
                           .arg(QDir::toNativeSeparators(m_helpFile).toHtmlEscaped()));
}

void HelpWindow::syncContents(const QUrl& page) {
    QHelpContentWidget* contents = m_engine->contentWidget();
    const QModelIndex index = contents->indexOf(page);
    if (index.isValid())
        contents->setCurrentIndex(index);
}

bool registerHelpFile(const QString& collectionFile, const QString& helpFile) {
    const QFileInfo file(helpFile);
    if (!file.isFile())
        return false;
    const QString ns = QHelpEngineCore::namespaceName(file.absoluteFilePath());
    if (ns.isEmpty())
        return false;
    if (!QDir().mkpath(QFileInfo(collectionFile).absolutePath()))
        return false;

    QHelpEngineCore engine(collectionFile);
    engine.setReadOnly(false);
    engine.setUsesFilterEngine(true);
    if (!engine.setupData())
        return false;
    // Registered again each time, so that a moved or rebuilt help file is the one shown.
    if (engine.registeredDocumentations().contains(ns) && !engine.unregisterDocumentation(ns))
        return false;
    return engine.registerDocumentation(file.absoluteFilePath());
}

bool registerHelp(const QString& dataDir) {
    return registerHelpFile(helpCollectionPath(), HelpFilePath(1, dataDir));
}

HelpWindow* ShowHelp(const QString& dataDir, int kind, const QString& windowName, QWidget* owner) {
    const QString helpFile = HelpFilePath(kind, dataDir);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* open = qobject_cast<HelpWindow*>(widget);
        // A closed window is hidden until it is deleted: not one to bring back.
        if (open && open->isVisible() && open->objectName() == windowName &&
            open->helpFile() == helpFile) {
            open->setWindowState(open->windowState() & ~Qt::WindowMinimized);
            open->raise();
            open->activateWindow();
            return open;
        }
    }

    const QString collection = helpCollectionPath();
    auto* window =
        new HelpWindow(windowName, helpFile,
                       registerHelpFile(collection, helpFile) ? collection : QString(), owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

} // namespace nomispot
