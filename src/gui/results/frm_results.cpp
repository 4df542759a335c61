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
      m_model(m_plan.candidates), m_runner(this) {
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
    connect(&m_runner, &QueryRunner::cellChanged, this, &frmResults::ShowCellState);
    // Every question sent moves the progress too: the self-test and the time left.
    const auto repaintSoon = [this] {
        if (!m_repaint.isActive())
            m_repaint.start();
    };
    connect(&m_runner, &QueryRunner::progressChanged, this, repaintSoon);
    connect(&m_runner, &QueryRunner::querySent, this, repaintSoon);
    connect(&m_runner, &QueryRunner::networkReady, this, &frmResults::startQueries);
    // A run that cannot start ends at once, every cell saying why, instead of looking busy.
    connect(&m_runner, &QueryRunner::networkFailed, this, [this](const QString& message) {
        m_plan.candidates.markPendingNotChecked(NotCheckedReason::NetworkFailed);
        showFinished();
        m_stage = Stage::Failed;
        m_state.messages->show({appTitle(), message, MessageIcon::Critical});
    });
    connect(&m_runner, &QueryRunner::finished, this, &frmResults::showFinished);
    // The first use of a zone file builds its index: the bar shows how far.
    connect(&m_zoneLoader, &ZoneLoader::building, this,
            [this](const QString& file, qint64 done, qint64 total) {
                m_progress->setMaximum(kZoneProgressSteps);
                m_progress->setValue(
                    total > 0 ? int(std::min(done, total) * kZoneProgressSteps / total) : 0);
                m_progress->setFormat(QStringLiteral("Indexing the zone file %1 (first use)")
                                          .arg(QFileInfo(file).fileName()));
            });
    connect(&m_zoneLoader, &ZoneLoader::finished, this, &frmResults::answerFromZones);
    // A send error ends the run with its answers; told once the run has wound up.
    connect(&m_runner, &QueryRunner::sendFailed, this, [this](const QString& reason) {
        QMetaObject::invokeMethod(
            this,
            [this, text = sendFailureMessage(m_dns.nameserver, reason)] {
                m_state.messages->show({appTitle(), text, MessageIcon::Critical});
            },
            Qt::QueuedConnection);
    });
    connect(&m_runner, &QueryRunner::socketError, this, [this](const QString& reason) {
        m_state.messages->show(
            {appTitle(), socketErrorMessage(m_dns.nameserver, reason), MessageIcon::Critical});
    });
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
    // Zone files answer for their zones' candidates before anything is asked.
    const QStringList zoneFiles = m_state.store ? readZoneFiles(*m_state.store) : QStringList();
    if (zoneFiles.isEmpty()) {
        beginRun(m_plan.candidates.candidateCount());
        return;
    }
    showRunning(Stage::Preparing, kZoneProgressSteps);
    m_progress->setFormat(QStringLiteral("Reading the zone files"));
    m_zoneLoader.start(zoneFiles, m_state.zoneIndexDir);
}

void frmResults::answerFromZones() {
    if (m_stage != Stage::Preparing)
        return;
    const ZoneFilesLoaded loaded = m_zoneLoader.take();
    const ZoneAnswerCount count = answerFromZoneFiles(m_plan.candidates, loaded.zones);
    m_zoneAnswered = count.taken + count.free;
    ShowAllCellStates();
    bool pending = false;
    for (int c = 1; c <= m_plan.candidates.colCount() && !pending; ++c)
        for (int r = 1; r <= m_plan.candidates.nameCount() && !pending; ++r)
            pending = m_plan.candidates.at(c, r).state == CheckState::Pending;
    // Nothing left to ask: no nameserver is needed.
    if (pending) {
        beginRun(m_plan.candidates.candidateCount());
        m_progress->setValue(std::min(m_zoneAnswered, m_runMaximum));
    } else {
        m_dns = m_state.dns;
        showFinished();
    }
    if (const QString message = zoneFilesMessage(loaded); !message.isEmpty())
        m_state.messages->show(
            {appTitle(), message,
             loaded.failures.isEmpty() ? MessageIcon::None : MessageIcon::Critical});
}

// The running look and the network for a run of `candidates` queries; the queries start once
// the nameserver is ready. Cancel and Esc work while a host name is looked up.
void frmResults::beginRun(int candidates) {
    showRunning(Stage::Preparing, candidates + 1);
    m_dns = m_state.dns;
    m_runner.prepareNetwork(m_dns.nameserver);
}

void frmResults::showRunning(Stage stage, int progressMaximum) {
    m_stage = stage;
    m_runMaximum = progressMaximum;
    m_resultsKept = false;
    setRunningLook(true);
    m_summaryText.clear();
    showSummary();
    m_progress->setValue(0);
    m_progress->setMaximum(progressMaximum);
    m_progress->setFormat(QString());
    m_progress->setVisible(true);
}

void frmResults::startQueries() {
    m_stage = Stage::Querying;
    applyRememberedSelfTest();
    m_runner.start(m_plan.candidates, m_dns.delayMs, m_dns.retries, m_runMaximum);
}

QString frmResults::columnSuffix(int c) const {
    return c >= 1 && c <= colCount() ? m_plan.columns[static_cast<std::size_t>(c - 1)].suffix
                                     : QString();
}

double frmResults::textWidthTwips(const QString& text) const {
    return pixelsToTwips(QFontMetricsF(font()).horizontalAdvance(text), this);
}

int frmResults::GetColwidth(int column) const {
    return nomispot::GetColwidth(
        textWidthTwips(m_model.headerData(column - 1, Qt::Horizontal, Qt::DisplayRole).toString()));
}

QRect frmResults::availableScreen() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

void frmResults::applySizingSequence() {
    QList<double> headerWidths;
    for (const ResultColumn& column : m_plan.columns)
        headerWidths << textWidthTwips(column.header);
    QList<double> nameWidths;
    for (const QString& name : m_plan.names.Names)
        nameWidths << textWidthTwips(name);
    const GridLayout layout = LayoutGrid(headerWidths, nameWidths);

    // Rounded down, so that the columns never add up to more than the grid is wide.
    const auto pixels = [this](int twips) { return twips * logicalDpiX() / 1440; };
    m_grid->verticalHeader()->setFixedWidth(pixels(layout.columnWidths[0]));
    for (qsizetype c = 1; c < layout.columnWidths.size(); ++c)
        m_grid->setColumnWidth(static_cast<int>(c - 1), pixels(layout.columnWidths[c]));

    const QRect screen = availableScreen();
    const double screenWidth = pixelsToTwips(screen.width(), this);
    const double screenHeight = pixelsToTwipsY(screen.height(), this);
    // Rows that do not all fit bring a vertical scroll bar: room for it, beside the last column.
    double contentWidth = layout.contentWidth;
    if (ComputeWindowLimits(contentWidth, layout.contentHeight, screenWidth, screenHeight)
            .maxHeight < layout.contentHeight + 1450)
        contentWidth += pixelsToTwips(
            m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid), this);
    m_limits = ComputeWindowLimits(contentWidth, layout.contentHeight, screenWidth, screenHeight);
    setOuterSize(outerWidth(), m_limits->maxHeight);
    setOuterSize(m_limits->maxWidth, m_limits->maxHeight);
    placeNearParent();
    applyResize();
    m_grid->viewport()->update();
    update();
}

// Beside the main window rather than wherever the window system puts new windows, and on screen.
void frmResults::placeNearParent() {
    const QWidget* main = parentWidget();
    if (!main || !main->isVisible())
        return;
    const QRect screen = availableScreen();
    const QSize outer = size() + frameExtents(this);
    const QPoint wanted = main->frameGeometry().topLeft() + QPoint(40, 40);
    move(std::clamp(wanted.x(), screen.left(),
                    std::max(screen.left(), screen.right() - outer.width())),
         std::clamp(wanted.y(), screen.top(),
                    std::max(screen.top(), screen.bottom() - outer.height())));
}

double frmResults::outerWidth() const {
    return pixelsToTwips(width() + frameExtents(this).width(), this);
}

double frmResults::outerHeight() const {
    return pixelsToTwipsY(height() + frameExtents(this).height(), this);
}

void frmResults::setOuterSize(double width, double height) {
    const QSize frame = frameExtents(this);
    resize(twipsToPixels(width, this) - frame.width(),
           twipsToPixelsY(height, this) - frame.height());
}

void frmResults::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applyResize();
}

void frmResults::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Sized with a frame that was only an estimate: once the real one is known, the window is
    // made its content size again unless the user has resized it meanwhile.
    whenFramed(this, [this, sized = size()] {
        if (m_limits && size() == sized)
            setOuterSize(m_limits->maxWidth, m_limits->maxHeight);
    });
}

void frmResults::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        applyResize();
}

void frmResults::applyResize() {
    if (m_inResize)
        return;
    m_inResize = true;
    const WindowState state = isMinimized()   ? WindowState::Minimised
                              : isMaximized() ? WindowState::Maximised
                                              : WindowState::Normal;
    const double width = outerWidth();
    const double height = outerHeight();
    const ResizePlan plan = Form_Resize(width, height, state);
    if (plan.act) {
        if (plan.placeControls) {
            placeInTwips(m_progress, plan.progressBar.left, plan.progressBar.top,
                         plan.progressBar.width, plan.progressBar.height);
            placeSummary();
            showSummary();
            placeInTwips(m_butCancelOk, plan.cancelButton.left, plan.cancelButton.top,
                         plan.cancelButton.width, plan.cancelButton.height);
            placeInTwips(m_grid, plan.grid.left, plan.grid.top, plan.grid.width, plan.grid.height);
        }
    }
    m_inResize = false;
}

void frmResults::ShowCellState(int c, int r) {
    // The current cell stays where the user left it: answers do not move the view.
    m_model.showCellState(c, r);
    if (!m_repaint.isActive())
        m_repaint.start();
}

void frmResults::repaintAnswers() {
    m_model.flushChanges();
    if (m_stage == Stage::Confirming) {
        m_progress->setValue(m_confirmation->answeredCount());
        // Free names asked at their registries, short enough for the bar.
        m_progress->setFormat(QStringLiteral("%1 of %2 asked")
                                  .arg(m_confirmation->answeredCount())
                                  .arg(m_confirmation->total()));
        return;
    }
    const QueryPhase* phase = m_runner.phase();
    if (!phase)
        return;
    // The self-test's probes fill the bar first, then the answers.
    const int probes = m_plan.candidates.probeQueriesToSend();
    const bool selfTest = phase->pass() == 0 && probes > 0;
    m_progress->setMaximum(selfTest ? probes : m_runMaximum);
    // Candidates a zone file answered count as done.
    m_progress->setValue(selfTest ? phase->probesSent()
                                  : std::min(m_runMaximum, m_zoneAnswered + m_runner.answered()));
    m_progress->setFormat(progressText(m_plan.candidates, *phase, m_dns.delayMs));
    // The answers so far in words, where the bar has no room for them.
    m_progress->setToolTip(countsText(m_plan.candidates));
}

void frmResults::ShowAllCellStates() {
    m_model.showAllCellStates();
    m_grid->viewport()->update();
}

void frmResults::applyRememberedSelfTest() {
    const QUdpSocket& socket = m_runner.socket();
    m_selfTestKey = nameserverKey(m_dns.nameserver, socket.peerAddress(), socket.peerPort());
    if (m_state.selfTestCachePath.isEmpty() || m_testAfresh)
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    SelfTestCache::load(m_state.selfTestCachePath, now)
        .apply(m_plan.candidates, m_selfTestKey, now);
}

// Once per run: a cache that cannot be written costs only the probes of the next run.
void frmResults::rememberSelfTest() {
    if (m_state.selfTestCachePath.isEmpty() || m_selfTestKey.isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    SelfTestCache cache = SelfTestCache::load(m_state.selfTestCachePath, now);
    if (cache.record(m_plan.candidates, m_selfTestKey, now) > 0 || cache.damaged())
        (void)cache.save(now);
    m_selfTestKey.clear();
}

void frmResults::showFinished() {
    m_repaint.stop();
    rememberSelfTest();
    m_grid->setUpdatesEnabled(false);
    ShowAllCellStates();
    m_grid->setUpdatesEnabled(true);
    m_progress->setVisible(false);
    const QString settings = QStringLiteral("Options > DNS Settings");
    const QString notChecked = runSummary(m_plan.candidates, m_dns, {settings, settings});
    m_summaryText = countsText(m_plan.candidates) + u'.';
    if (const QString zones = zoneFileSummary(m_plan.candidates); !zones.isEmpty())
        m_summaryText += u' ' + zones;
    m_zoneAnswered = 0;
    if (!notChecked.isEmpty())
        m_summaryText += u' ' + notChecked;
    if (const QString registries = registrySummary(m_plan.candidates); !registries.isEmpty())
        m_summaryText += u' ' + registries;
    if (!m_refreshNote.isEmpty())
        m_summaryText += u' ' + m_refreshNote;
    applyRowFilter();
    placeSummary();
    showSummary();
    setRunningLook(false);
    enableWorkEntries();
    m_stage = Stage::Finished;
}

// From the progress bar's place down to the window's bottom edge.
void frmResults::placeSummary() {
    const QRect bar = m_progress->geometry();
    const int bottom = m_summary->parentWidget()->height() - 2;
    m_summary->setGeometry(bar.left(), bar.top(), bar.width(),
                           std::max(bar.height(), bottom - bar.top()));
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
        // Stopped, not thrown away: the answers so far stay, the rest say they were cancelled.
        m_zoneLoader.cancel();
        m_runner.stop();
        m_plan.candidates.markPendingNotChecked(NotCheckedReason::Cancelled);
        showFinished();
        break;
    case Stage::Confirming:
        // Cancelling a confirmation keeps the run's results on screen.
        completeConfirmation();
        break;
    case Stage::Finished:
    case Stage::Failed:
    case Stage::Cancelled:
        close();
        break;
    }
}

void frmResults::closeEvent(QCloseEvent* event) {
    m_zoneLoader.cancel();
    m_runner.stop();
    if (m_confirmation)
        m_confirmation->cancel();
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
    if (isRunActive() || c < 1 || c > colCount() || r < 1 || r > m_plan.candidates.nameCount())
        return;
    const CheckItem& item = m_plan.candidates.at(c, r);
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
    const CheckTable& table = m_plan.candidates;
    int answered = 0;
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r)
            if (const CheckState state = table.at(c, r).state; state == CheckState::Available ||
                                                               state == CheckState::Unavailable ||
                                                               state == CheckState::NotRegistrable)
                ++answered;
    return answered;
}

bool frmResults::hasUnsavedResults() const {
    return !isRunActive() && !m_resultsKept && answeredCount() > 0;
}

} // namespace nomispot
