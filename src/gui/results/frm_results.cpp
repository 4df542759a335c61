#include "results/frm_results.h"

#include "app_info.h"
#include "engine/self_test_cache.h"
#include "results/result_actions.h"
#include "results/run_summary.h"
#include "settings/settings_ops.h"
#include "twips.h"
#include "window_frame.h"
#include "zone/zone_answers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <algorithm>

namespace nomispot {

namespace {

constexpr int kRepaintMs = 40;

// Paints a cell's picture centred, horizontally and vertically.
class CentredPictureDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        const QWidget* view = option.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, view);
        const QPixmap picture = index.data(Qt::DecorationRole).value<QPixmap>();
        if (picture.isNull())
            return;
        QRect target(QPoint(), picture.size());
        target.moveCenter(option.rect.center());
        painter->drawPixmap(target, picture);
    }
};

} // namespace

frmResults::frmResults(AppState& state, RunPlan plan, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_state(state), m_plan(std::move(plan)),
      m_model(m_plan.candidates),
      m_run(CheckSetup{state.store ? readZoneFiles(*state.store) : QStringList(),
                       state.zoneIndexDir, state.selfTestCachePath, CheckSetup::Confirm::No,
                       state.registries}) {
    setObjectName(QStringLiteral("frmResults"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(appTitle() + QStringLiteral(" results"));

    auto* client = new QWidget(this);
    setCentralWidget(client);

    m_grid = new QTableView(client);
    m_grid->setObjectName(QStringLiteral("ResultGrid"));
    m_grid->setAccessibleName(QStringLiteral("Results"));
    m_grid->setModel(&m_model);
    m_grid->setItemDelegate(new CentredPictureDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    // The column widths add up to the grid's width exactly; a frame would cost a scroll bar.
    m_grid->setFrameShape(QFrame::NoFrame);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setMinimumSectionSize(1);
    m_grid->verticalHeader()->setDefaultSectionSize(twipsToPixelsY(kRowHeight, this));
    m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->verticalHeader()->setHighlightSections(false);
    placeInTwips(m_grid, 0, 0, 5535, 2655);
    // A plain click opens the popup; Shift and Ctrl clicks select cells to copy.
    connect(m_grid, &QTableView::clicked, this, [this] {
        if (QGuiApplication::keyboardModifiers() == Qt::NoModifier)
            openPopupAtCurrentCell(false);
    });
    connect(m_grid, &QTableView::customContextMenuRequested, this,
            [this] { openPopupAtCurrentCell(false); });
    // The keyboard's ways to the popup open it at the current cell.
    auto* popupKeys = new QAction(m_grid);
    popupKeys->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    popupKeys->setShortcutContext(Qt::WidgetShortcut);
    m_grid->addAction(popupKeys);
    connect(popupKeys, &QAction::triggered, this, [this] { openPopupAtCurrentCell(true); });

    m_progress = new QProgressBar(client);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setToolTip(QStringLiteral("Progress in checking your domains..."));
    // What the answers say so far, in words.
    m_progress->setTextVisible(true);
    m_progress->setFormat(QString());
    placeInTwips(m_progress, 120, 2760, 4095, 375);

    // What the run could not check, in the progress bar's place once it is over.
    m_summary = new QLabel(client);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The whole line, wrapped in the room under the grid beside the button.
    m_summary->setWordWrap(true);
    m_summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_summary->hide();

    m_butCancelOk = new QPushButton(QStringLiteral("Cancel"), client);
    m_butCancelOk->setObjectName(QStringLiteral("butCancelOk"));
    placeInTwips(m_butCancelOk, 4320, 2760, 1215, 375);
    connect(m_butCancelOk, &QPushButton::clicked, this, &frmResults::butCancelOk_Click);

    // Esc presses Cancel while the run lasts.
    m_escape = new QAction(this);
    m_escape->setShortcut(Qt::Key_Escape);
    m_escape->setShortcutContext(Qt::WindowShortcut);
    addAction(m_escape);
    connect(m_escape, &QAction::triggered, this, &frmResults::butCancelOk_Click);

    buildMenus();
    resize(twipsToPixels(5610, this), twipsToPixelsY(3225, this) + menuBar()->sizeHint().height());

    // Answers come faster than a screen shows them: cells and the progress bar are repainted
    // once a frame.
    m_repaint.setSingleShot(true);
    m_repaint.setInterval(kRepaintMs);
    connect(&m_repaint, &QTimer::timeout, this, &frmResults::repaintAnswers);
    connectRun();
}

void frmResults::connectRun() {
    connect(&m_run, &CheckRun::cellChanged, this, &frmResults::ShowCellState);
    connect(&m_run, &CheckRun::tableChanged, this, &frmResults::ShowAllCellStates);
    connect(&m_run, &CheckRun::progressChanged, this, [this] {
        if (!m_repaint.isActive())
            m_repaint.start();
    });
    connect(&m_run, &CheckRun::stageChanged, this, &frmResults::showStage);
    connect(&m_run, &CheckRun::finished, this, &frmResults::showFinished);
    // A run that cannot start ends at once, every cell saying why, instead of looking busy.
    connect(&m_run, &CheckRun::failed, this, [this](const QString& message) {
        showFinished();
        m_stage = Stage::Failed;
        m_state.messages->show(
            {appTitle(),
             message + QStringLiteral("\rThe nameserver is set under Options > DNS Settings."),
             MessageIcon::Critical});
    });
    connect(&m_run, &CheckRun::notice, this, &frmResults::showNotice);
    // The first use of a zone file builds its index: the bar shows how far.
    connect(&m_run, &CheckRun::zoneIndexing, this,
            [this](const QString& file, qint64 done, qint64 total) {
                m_progress->setMaximum(kZoneProgressSteps);
                m_progress->setValue(
                    total > 0 ? int(std::min(done, total) * kZoneProgressSteps / total) : 0);
                m_progress->setFormat(QStringLiteral("Indexing the zone file %1 (first use)")
                                          .arg(QFileInfo(file).fileName()));
            });
}

void frmResults::showNotice(const QString& message, CheckRun::Notice kind) {
    // Asides are for a log; a window has none.
    if (kind != CheckRun::Notice::Aside)
        m_state.messages->show(
            {appTitle(), message,
             kind == CheckRun::Notice::Error ? MessageIcon::Critical : MessageIcon::None});
}

frmResults::~frmResults() = default;

void frmResults::buildMenus() {
    m_mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction* exit = m_mnuFile->addAction(QStringLiteral("E&xit"), this, &frmResults::mnuExit_Click);
    exit->setObjectName(QStringLiteral("mnuExit"));
    // The desktop's Quit key quits the program from here too, through the main window, which asks
    // before unsaved results go.
    auto* quit = new QAction(this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    addAction(quit);
    connect(quit, &QAction::triggered, this, [this] {
        if (parentWidget())
            parentWidget()->close();
    });

    m_mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    m_mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    QAction* copy = m_mnuEdit->addAction(QStringLiteral("&Copy list to Clipboard"), this,
                                         &frmResults::mnuCopy_Click);
    copy->setObjectName(QStringLiteral("mnuCopy"));
    buildWorkspaceMenus();

    // The popup is a menu of its own, never in the menu bar.
    m_popup = new QMenu(QStringLiteral("Popup"), this);
    m_popup->setObjectName(QStringLiteral("mnuPopup"));
    m_mnuTitle = m_popup->addAction(QStringLiteral("domain"));
    m_mnuTitle->setObjectName(QStringLiteral("mnuTitle"));
    QFont heading = m_mnuTitle->font();
    heading.setBold(true);
    m_mnuTitle->setFont(heading);
    m_popup->addSeparator()->setObjectName(QStringLiteral("div"));
    m_mnuDisplay = m_popup->addAction(QStringLiteral("Display info on xxx domains"), this,
                                      &frmResults::mnuDisplay_Click);
    m_mnuDisplay->setObjectName(QStringLiteral("mnuDisplay"));
    m_mnuDisplay->setVisible(false);
    m_mnuGoto =
        m_popup->addAction(QStringLiteral("Goto Registry"), this, &frmResults::mnuGoto_Click);
    m_mnuGoto->setObjectName(QStringLiteral("mnuGoto"));
    m_mnuGoto->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    m_mnuGoto->setShortcutContext(Qt::WindowShortcut);
    addAction(m_mnuGoto); // so Ctrl+G works while the popup is closed
    m_mnuWww =
        m_popup->addAction(QStringLiteral("Goto www.domain"), this, &frmResults::mnuWww_Click);
    m_mnuWww->setObjectName(QStringLiteral("mnuWww"));
    m_mnuWhois =
        m_popup->addAction(QStringLiteral("WHOIS lookup"), this, &frmResults::mnuWhois_Click);
    m_mnuWhois->setObjectName(QStringLiteral("mnuWhois"));
    m_mnuWhois->setVisible(false);
}

void frmResults::setRunningLook(bool running) {
    m_butCancelOk->setText(running ? QStringLiteral("Cancel") : QStringLiteral("Close"));
    m_escape->setEnabled(running);
    m_mnuFile->setEnabled(!running);
    m_mnuEdit->setEnabled(!running);
    m_mnuFile->menuAction()->setEnabled(!running);
    m_mnuEdit->menuAction()->setEnabled(!running);
    m_mnuView->setEnabled(!running);
    m_mnuView->menuAction()->setEnabled(!running);
    if (running) {
        setCursor(Qt::WaitCursor);
        m_grid->setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
        m_grid->unsetCursor();
    }
}

void frmResults::GetData() {
    QStringList headers;
    for (const ResultColumn& column : m_plan.columns)
        headers << column.header;
    m_model.setGrid(headers, m_plan.names.Names);
    applySizingSequence();
    m_run.start(m_plan.candidates, m_state.dns);
}

void frmResults::showStage(CheckRun::Stage stage) {
    switch (stage) {
    case CheckRun::Stage::ReadingZoneFiles:
        showRunning(Stage::Preparing, kZoneProgressSteps);
        m_progress->setFormat(QStringLiteral("Reading the zone files"));
        break;
    case CheckRun::Stage::Connecting:
        // Candidates a zone file answered count as done.
        showRunning(Stage::Preparing, m_run.progressMaximum());
        m_progress->setValue(m_run.answered());
        break;
    case CheckRun::Stage::Querying:
        m_stage = Stage::Querying;
        break;
    case CheckRun::Stage::RefreshingRegistryList:
        // The window stays responsive and Cancel stops it.
        showRunning(Stage::Confirming, 0);
        m_progress->setFormat(QStringLiteral("Refreshing the registry list"));
        break;
    case CheckRun::Stage::Confirming:
        showRunning(Stage::Confirming, m_run.registriesAsked());
        break;
    case CheckRun::Stage::Idle:
    case CheckRun::Stage::Finished:
        break;
    }
}

void frmResults::showRunning(Stage stage, int progressMaximum) {
    m_stage = stage;
    m_resultsKept = false;
    setRunningLook(true);
    m_summaryText.clear();
    showSummary();
    m_progress->setValue(0);
    m_progress->setMaximum(progressMaximum);
    m_progress->setFormat(QString());
    m_progress->setVisible(true);
}

QString frmResults::columnSuffix(int c) const {
    return c >= 1 && c <= colCount() ? m_plan.columns[static_cast<std::size_t>(c - 1)].suffix
                                     : QString();
}

void frmResults::ShowCellState(int c, int r) {
    // The current cell stays where the user left it: answers do not move the view.
    m_model.showCellState(c, r);
    if (!m_repaint.isActive())
        m_repaint.start();
}

void frmResults::repaintAnswers() {
    m_model.flushChanges();
    if (m_run.stage() == CheckRun::Stage::Confirming) {
        m_progress->setMaximum(m_run.registriesAsked());
        m_progress->setValue(m_run.registriesAnswered());
        // Free names asked at their registries, and what holds the rest back.
        m_progress->setFormat(m_run.confirmationProgress());
        // What the registries said so far, where the bar has no room for it.
        const QString said = registrySummary(m_plan.candidates);
        m_progress->setToolTip(said.isEmpty() ? m_run.confirmationProgress() : said);
        return;
    }
    const QueryPhase* phase = m_run.phase();
    if (!phase || m_run.stage() != CheckRun::Stage::Querying)
        return;
    // The self-test's probes fill the bar first, then the answers.
    const int probes = m_plan.candidates.probeQueriesToSend();
    const bool selfTest = phase->pass() == 0 && probes > 0;
    m_progress->setMaximum(selfTest ? probes : m_run.progressMaximum());
    m_progress->setValue(selfTest ? phase->probesSent() : m_run.answered());
    m_progress->setFormat(progressText(m_plan.candidates, *phase, m_run.dns().delayMs));
    // The answers so far in words, where the bar has no room for them.
    m_progress->setToolTip(countsText(m_plan.candidates));
}

void frmResults::ShowAllCellStates() {
    m_model.showAllCellStates();
    m_grid->viewport()->update();
}

void frmResults::showFinished() {
    m_repaint.stop();
    m_grid->setUpdatesEnabled(false);
    ShowAllCellStates();
    m_grid->setUpdatesEnabled(true);
    m_progress->setVisible(false);
    RunTally tally;
    tally.add(m_plan.candidates);
    const QString settings = QStringLiteral("Options > DNS Settings");
    m_summaryText = countsText(m_plan.candidates) + u'.';
    for (const QString& line : m_run.summary(tally, {settings, settings}))
        m_summaryText += u' ' + line;
    applyRowFilter();
    placeSummary();
    showSummary();
    setRunningLook(false);
    enableWorkEntries();
    m_stage = Stage::Finished;
}

// The whole summary is its tool tip and accessible text too.
void frmResults::showSummary() {
    m_summary->setVisible(!m_summaryText.isEmpty());
    m_summary->setToolTip(m_summaryText);
    m_summary->setAccessibleName(m_summaryText);
    m_summary->setText(m_summaryText);
}

void frmResults::showStatus(const QString& text) {
    m_summary->setVisible(true);
    m_summary->setText(text);
    m_summary->setAccessibleName(text);
    QTimer::singleShot(5000, this, [this, text] {
        if (m_summary->text() == text)
            showSummary();
    });
}

void frmResults::butCancelOk_Click() {
    switch (m_stage) {
    case Stage::Preparing:
    case Stage::Querying:
    case Stage::Confirming:
        // Stopped, not thrown away: the answers so far stay, the rest say they were cancelled;
        // free names not yet confirmed stay free.
        m_run.cancel();
        break;
    case Stage::Finished:
    case Stage::Failed:
    case Stage::Cancelled:
        close();
        break;
    }
}

void frmResults::closeEvent(QCloseEvent* event) {
    // Answers not saved or copied go only when the user agrees, unless that was asked already.
    if (!std::exchange(m_discardAgreed, false) && !isRunActive() && hasUnsavedResults() &&
        m_state.messages->ask({appTitle(), closeQuestion(answeredCount()), MessageIcon::None}) !=
            Answer::Yes) {
        event->ignore();
        return;
    }
    // The run ends with the window; nothing is shown any more.
    m_run.disconnect(this);
    m_run.cancel();
    // The run is over whichever way the window closes.
    if (m_stage != Stage::Finished)
        m_stage = Stage::Cancelled;
    QMainWindow::closeEvent(event);
}

void frmResults::mnuExit_Click() {
    QCoreApplication::processEvents();
    butCancelOk_Click();
}

void frmResults::openPopupAtCurrentCell(bool atCell) {
    const QModelIndex current = m_grid->currentIndex();
    if (current.isValid())
        openPopup(current.column() + 1, current.row() + 1, atCell);
}

void frmResults::openPopup(int c, int r, bool atCell) {
    const CheckItem* found = m_plan.candidates.find(c, r);
    if (isRunActive() || !found)
        return;
    const CheckItem& item = *found;
    m_popupEntry = entryOfCandidate(m_state.catalogue, item);
    m_popupOpened = true;
    const PopupCaptions captions = popupCaptions(item, m_popupEntry, columnSuffix(c));
    m_mnuTitle->setText(captions.title);
    // A heading, not a choice: the keyboard passes over it.
    m_mnuTitle->setEnabled(false);
    m_mnuTitle->setVisible(true);
    m_mnuDisplay->setVisible(false);
    m_mnuGoto->setText(captions.gotoCaption);
    m_mnuGoto->setEnabled(captions.gotoEnabled);
    m_mnuWww->setText(captions.wwwCaption);
    m_mnuWww->setVisible(captions.wwwVisible);
    showRegistryEntries(c, r);
    const QModelIndex cell = m_model.index(r - 1, c - 1);
    m_grid->setCurrentIndex(cell);
    if (atCell) {
        m_grid->scrollTo(cell);
        m_popup->popup(m_grid->viewport()->mapToGlobal(m_grid->visualRect(cell).center()));
    } else {
        m_popup->popup(QCursor::pos());
    }
}

void frmResults::mnuGoto_Click() {
    // Before the first popup there is no entry to go to.
    if (m_popupOpened && m_mnuGoto->isEnabled())
        m_state.shell->open(m_popupEntry.registrySite);
}

void frmResults::mnuWww_Click() {
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid() || current.column() + 1 > colCount())
        return;
    m_state.shell->open(wwwTarget(m_plan.candidates.at(current.column() + 1, current.row() + 1)));
}

void frmResults::mnuCopy_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(clipboardText(m_plan.candidates, m_state.catalogue));
    m_resultsKept = true;
    m_state.messages->show({appTitle(), copiedMessage(), MessageIcon::None});
}

int frmResults::answeredCount() const {
    return m_plan.candidates.countIf([](const CheckItem& item) {
        return item.state == CheckState::Available || item.state == CheckState::Unavailable ||
               item.state == CheckState::NotRegistrable;
    });
}

bool frmResults::hasUnsavedResults() const {
    return !m_resultsKept && answeredCount() > 0;
}

void frmResults::discard() {
    m_discardAgreed = true;
    close();
}

namespace {
QString domainCount(int domains) {
    return domains == 1 ? QStringLiteral("1 domain") : QStringLiteral("%1 domains").arg(domains);
}
} // namespace

QString quitQuestion(int domains) {
    return QStringLiteral("Quit and discard the results of %1?").arg(domainCount(domains));
}

QString checkAgainQuestion(int domains) {
    return QStringLiteral("Discard the results of %1 and check again?").arg(domainCount(domains));
}

QString closeQuestion(int domains) {
    return QStringLiteral("Close and discard the results of %1?").arg(domainCount(domains));
}

} // namespace nomispot
