#include "names/frm_main.h"

#include "app_info.h"
#include "engine/run_plan.h"
#include "names/names_reader.h"
#include "results/frm_results.h"
#include "twips.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <algorithm>
#include <limits>

namespace nomispot {

QString longListHint() {
    return QStringLiteral("nomispot-check --file checks lists of any length, from a terminal.");
}

QString mainWindowCaption() {
    return QStringLiteral("%1%2.%3 from Brixmoor")
        .arg(appTitle())
        .arg(kVersionMajor)
        .arg(kVersionMinor);
}

namespace {
// The folder the last names file was opened from.
constexpr auto kNamesFolderKey = "NamesFolder";
} // namespace

frmMain::frmMain(AppState& state, QWidget* parent) : QMainWindow(parent), m_state(state) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(mainWindowCaption());

    auto* client = new QWidget(this);
    setCentralWidget(client);

    m_names = new QLineEdit(client);
    m_names->setObjectName(QStringLiteral("names"));
    m_names->setToolTip(QStringLiteral("Enter name or names to check"));
    m_names->setAccessibleName(QStringLiteral("Names to check"));
    // Never cut what is typed or pasted: a text too long for a run is refused as a whole.
    m_names->setMaxLength(std::numeric_limits<int>::max());
    placeInTwips(m_names, 30, 15, 3615, 375);

    m_activate = new QPushButton(QStringLiteral("Check"), client);
    m_activate->setObjectName(QStringLiteral("activate"));
    m_activate->setDefault(true);
    m_activate->setAutoDefault(true);
    placeInTwips(m_activate, 3720, 15, 735, 375);
    connect(m_activate, &QPushButton::clicked, this, &frmMain::activate_Click);
    // Enter in the names box checks, as the default button of the window.
    connect(m_names, &QLineEdit::returnPressed, this, &frmMain::activate_Click);

    auto* group = new QButtonGroup(this);
    const char* captions[2] = {"Check Seperately", "Check Combinations"};
    const char* tips[2] = {"foo bar: foo.com bar.com",
                           "foo bar: foo.com bar.com foobar.com barfoo.com"};
    for (int i = 0; i < 2; ++i) {
        m_modes[i] = new QRadioButton(QString::fromLatin1(captions[i]), client);
        m_modes[i]->setObjectName(QStringLiteral("checkmode(%1)").arg(i));
        m_modes[i]->setToolTip(QString::fromLatin1(tips[i]));
        placeInTwips(m_modes[i], i == 0 ? 45 : 1965, 405, 1815, 255);
        group->addButton(m_modes[i], i);
    }
    // Captions wider than their place in this font keep their full text.
    const int gap = twipsToPixels(60, this);
    m_modes[0]->resize(std::max(m_modes[0]->width(), m_modes[0]->sizeHint().width()),
                       m_modes[0]->height());
    m_modes[1]->move(std::max(m_modes[1]->x(), m_modes[0]->geometry().right() + gap),
                     m_modes[1]->y());
    m_modes[1]->resize(std::max(m_modes[1]->width(), m_modes[1]->sizeHint().width()),
                       m_modes[1]->height());
    m_modes[0]->setChecked(true);

    setTabOrder(m_activate, m_names);
    setTabOrder(m_names, m_modes[0]);
    setTabOrder(m_modes[0], m_modes[1]);
    // Tab starts at Check, but a new window is for typing names.
    m_names->setFocus();

    client->setFixedSize(
        std::max(twipsToPixels(4530, client), m_modes[1]->geometry().right() + gap),
        twipsToPixelsY(675, client));
    // Exactly the client area and the menu bar: a window manager would otherwise add a band.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmResults* frmMain::results() const {
    return m_results;
}

bool frmMain::isRunActive() const {
    return m_results && m_results->isRunActive();
}

frmMain::~frmMain() = default;

void frmMain::closeEvent(QCloseEvent* event) {
    if (!resultsMayGo(quitQuestion)) {
        event->ignore();
        return;
    }
    if (m_results)
        m_results->discard();
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

bool frmMain::resultsMayGo(QString (*question)(int domains)) {
    if (!m_results || !m_results->hasUnsavedResults())
        return true;
    return m_state.messages->ask({appTitle(), question(m_results->answeredCount()),
                                  MessageIcon::None}) == Answer::Yes;
}

CheckMode frmMain::checkMode() const {
    return m_modes[1]->isChecked() ? CheckMode::Combinations : CheckMode::Separately;
}

bool frmMain::openNames(const QString& path) {
    const Result<QString> names = readNamesFile(path);
    if (!names) {
        m_state.messages->show(
            {appTitle(), QStringLiteral("The names are not loaded.\r%1").arg(names.error().message),
             MessageIcon::Critical});
        return false;
    }
    // One step the user can undo, as a paste would be.
    m_names->selectAll();
    m_names->insert(*names);
    m_names->setCursorPosition(0);
    m_names->setFocus();
    return true;
}

void frmMain::mnuOpenNames_Click() {
    const QString key = QString::fromLatin1(kNamesFolderKey);
    QString folder =
        m_state.store ? m_state.store->read(QStringLiteral("main"), key, {}) : QString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Names"), folder,
                                     QStringLiteral("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    if (openNames(path) && m_state.store) {
        m_state.store->write(QStringLiteral("main"), key, QFileInfo(path).absolutePath());
        m_state.store->flush();
    }
}

void frmMain::activate_Click() {
    Result<RunPlan, RunRefusal> plan = planRun({m_names->text(), checkMode(), m_state.searchSet},
                                               m_state.catalogue, m_state.registrationRules);
    if (!plan) {
        const RunRefusal& why = plan.error();
        switch (why.reason) {
        case RunRefusal::Blank:
            break;
        case RunRefusal::IllegalCharacters:
            m_state.messages->show({appTitle() + QString::fromLatin1(kIllegalCharsTitleSuffix),
                                    why.message, MessageIcon::None});
            break;
        case RunRefusal::TooManyCombinations:
            // The window's limit is not the program's: the terminal checks any number.
            m_state.messages->show(
                {appTitle(), why.message + u'\r' + longListHint(), MessageIcon::Critical});
            break;
        case RunRefusal::NoSuffixes:
            m_state.messages->show({appTitle(), why.message, MessageIcon::Critical});
            break;
        }
        return;
    }

    // One run at a time: a new Check ends the one in progress. Answers not saved or copied, of a
    // run over or still going, go only when the user agrees; No leaves everything as it was.
    if (!resultsMayGo(checkAgainQuestion))
        return;
    if (m_results)
        m_results->discard();
    m_results = new frmResults(m_state, std::move(*plan), this);
    // Sized before it is shown: a window manager takes the first size it maps at, and may undo a
    // resize that comes right after.
    m_results->GetData();
    m_results->show();
}

} // namespace nomispot
