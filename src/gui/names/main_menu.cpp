#include "names/main_menu.h"

#include "app_info.h"
#include "catalogue/frm_domains.h"
#include "help/frm_about.h"
#include "help/help_module.h"
#include "help/web_links.h"
#include "names/frm_main.h"
#include "settings/frm_options.h"
#include "settings/settings_ops.h"
#include "window_frame.h"
#include "zone/frm_zone_files.h"

#include <QMenuBar>
#include <QPointer>

namespace nomispot {

namespace {

// The handlers of the menu entries; owned by the main window.
class MainMenuActions : public QObject {
public:
    MainMenuActions(frmMain& window, AppState& state)
        : QObject(&window), m_window(window), m_state(state) {}

    void mnuExit_Click() { m_window.close(); }

    // Saves first, so that Cancel in the dialog restores the values in force now.
    void mnuServer_Click() {
        if (m_state.store)
            SaveDnsSettings(*m_state.store, m_state.dns);
        if (!m_options) {
            m_options = new frmOptions(m_state, &m_window);
            m_options->adjustSize();
            placeBeside(m_options, &m_window);
        }
        m_options->setWindowState(m_options->windowState() & ~Qt::WindowMinimized);
        m_options->show();
        m_options->raise();
        m_options->activateWindow();
    }

    void mnuDomains_Click() { execModal(new frmDomains(m_state, &m_window)); }
    void mnuZoneFiles_Click() { execModal(new frmZoneFiles(m_state, &m_window)); }
    void mnuHelpIndex_Click() {
        if (const HelpModule* help = loadHelpModule())
            help->showHelp(m_state.dataDir, 1, QStringLiteral("Main"), &m_window);
        else
            m_state.messages->show({appTitle(), helpNotInstalledMessage(), MessageIcon::Critical});
    }
    void mnuAbout_Click() { execModal(new frmAbout(m_state, &m_window)); }

    void open(const char* address) {
        if (m_state.shell)
            m_state.shell->open(QString::fromLatin1(address));
    }

private:
    // A dialog on the heap, so that it goes with the main window should that close first.
    static void execModal(QDialog* created) {
        const QPointer<QDialog> dialog(created);
        dialog->exec();
        delete dialog.data();
    }

    frmMain& m_window;
    AppState& m_state;
    QPointer<frmOptions> m_options;
};

QMenu* addMenu(QWidget* parent, const char* name, const char* caption) {
    auto* menu = new QMenu(QString::fromLatin1(caption), parent);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

template <typename Handler>
QAction* addEntry(QMenu* menu, const char* name, const char* caption, Handler handler) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, menu, handler);
    return action;
}

} // namespace

void installMainMenu(frmMain& window, AppState& state) {
    auto* actions = new MainMenuActions(window, state);
    auto* bar = new QMenuBar(&window);
    bar->setObjectName(QStringLiteral("menuBar"));

    QMenu* file = addMenu(bar, "mnuFile", "&File ");
    QAction* open = addEntry(file, "mnuOpenNames", "&Open Names...",
                             [&window] { window.mnuOpenNames_Click(); });
    open->setShortcut(QKeySequence::Open);
    file->addSeparator()->setObjectName(QStringLiteral("fileBreak"));
    QAction* exit = addEntry(file, "mnuExit", "E&xit", [actions] { actions->mnuExit_Click(); });
    // Ctrl+X as ever, and the desktop's Quit keys (Ctrl+Q) besides.
    QList<QKeySequence> exitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (exitKeys.isEmpty())
        exitKeys << QKeySequence(Qt::CTRL | Qt::Key_Q);
    exitKeys.prepend(QKeySequence(Qt::CTRL | Qt::Key_X));
    exit->setShortcuts(exitKeys);
    bar->addMenu(file);

    QMenu* options = addMenu(bar, "mnuOptions", "&Options");
    addEntry(options, "mnuServer", "DNS &Settings", [actions] { actions->mnuServer_Click(); });
    addEntry(options, "mnuDomains", "D&omains to search",
             [actions] { actions->mnuDomains_Click(); });
    addEntry(options, "mnuZoneFiles", "&Zone Files...",
             [actions] { actions->mnuZoneFiles_Click(); });
    bar->addMenu(options);

    QMenu* help = addMenu(bar, "mnuHelp", "&Help");
    QAction* contents = addEntry(help, "mnuHelpIndex", "&Help Contents",
                                 [actions] { actions->mnuHelpIndex_Click(); });
    // F1, from the main window and from the windows it owns.
    contents->setShortcut(QKeySequence::HelpContents);
    contents->setShortcutContext(Qt::ApplicationShortcut);
    help->addSeparator()->setObjectName(QStringLiteral("break"));
    // Its own access key: Alt+H is Help Contents in this menu.
    addEntry(help, "mnuHomepage", "Nomispot home&page",
             [actions] { actions->open(kHomepageAddress); });
    QMenu* sites = addMenu(help, "mnuSites", "&Useful Websites");
    addEntry(sites, "mnuWebMou", "gTLD-Mou (Top Level Domains)",
             [actions] { actions->open(kGtldMouAddress); });
    addEntry(sites, "mnuISOC", "ISOC (The Internet Society)",
             [actions] { actions->open(kIsocAddress); });
    addEntry(sites, "mnuIETF", "IETF (Internet Engineering Taskforce)",
             [actions] { actions->open(kIetfAddress); });
    addEntry(sites, "mnuIANA", "IANA (Internet Assigned Numbers Authority)",
             [actions] { actions->open(kIanaAddress); });
    help->addMenu(sites);
    help->addSeparator()->setObjectName(QStringLiteral("break2"));
    addEntry(help, "mnuAbout", "&About Nomispot", [actions] { actions->mnuAbout_Click(); });
    bar->addMenu(help);

    window.setMenuBar(bar);
}

} // namespace nomispot
