// The results window's work on a finished run: save, copy a selection, check again, filter.
#include "app_info.h"
#include "files/file_access.h"
#include "results/frm_results.h"
#include "results/result_actions.h"
#include "results/result_formats.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTableView>

namespace nomispot {

namespace {
// The folder the last results were saved in.
constexpr auto kResultsFolderKey = "ResultsFolder";
} // namespace

void frmResults::buildWorkspaceMenus() {
    QAction* save =
        m_mnuFile->addAction(QStringLiteral("&Save Results..."), this, &frmResults::mnuSave_Click);
    save->setObjectName(QStringLiteral("mnuSave"));
    save->setShortcut(QKeySequence::Save);
    m_mnuFile->insertAction(m_mnuFile->actions().constFirst(), save);

    QAction* copySelection = m_mnuEdit->addAction(QStringLiteral("Copy &Selection"), this,
                                                  &frmResults::mnuCopySelection_Click);
    copySelection->setObjectName(QStringLiteral("mnuCopySelection"));
    copySelection->setShortcut(QKeySequence::Copy);
    QAction* again = m_mnuEdit->addAction(QStringLiteral("Check &Again Not Checked"), this,
                                          &frmResults::mnuCheckAgain_Click);
    again->setObjectName(QStringLiteral("mnuCheckAgain"));
    again->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    QAction* confirm = m_mnuEdit->addAction(QStringLiteral("Con&firm Free Names With Registries"),
                                            this, &frmResults::mnuConfirm_Click);
    confirm->setObjectName(QStringLiteral("mnuConfirm"));

    m_mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    m_mnuView->setObjectName(QStringLiteral("mnuView"));
    m_mnuOnlyFree = m_mnuView->addAction(QStringLiteral("&Only Rows With a Free Name"));
    m_mnuOnlyFree->setObjectName(QStringLiteral("mnuOnlyFree"));
    m_mnuOnlyFree->setCheckable(true);
    connect(m_mnuOnlyFree, &QAction::toggled, this, &frmResults::mnuOnlyFree_Toggled);
}

bool frmResults::saveResults(const QString& path) {
    const OutputFormat format = path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)
                                    ? OutputFormat::Json
                                    : OutputFormat::Csv;
    const QByteArray text =
        formatResults({m_plan.candidates, m_state.catalogue, m_plan.names, m_plan.columns}, format,
                      false)
            .toUtf8();
    // Written whole or not at all: a file that was there stays as it was on failure.
    const Status written = writeFileWhole(path, text);
    if (written) {
        m_resultsKept = true;
        return true;
    }
    m_state.messages->show(
        {appTitle(), QStringLiteral("The results are not saved.\r%1").arg(written.error().message),
         MessageIcon::Critical});
    return false;
}

void frmResults::mnuSave_Click() {
    // Where the last results went, else the documents folder.
    QString folder = m_state.store ? m_state.store->read(QStringLiteral("main"),
                                                         QString::fromLatin1(kResultsFolderKey), {})
                                   : QString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString csv = QStringLiteral("CSV (*.csv)");
    const QString json = QStringLiteral("JSON (*.json)");
    QString chosen = csv;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Results"),
                                                      QDir(folder).filePath("nomispot-results.csv"),
                                                      csv + QStringLiteral(";;") + json, &chosen);
    if (path.isEmpty())
        return;
    // The chosen type gives a name without an extension its own.
    const QString file =
        withResultsExtension(path, chosen == json ? OutputFormat::Json : OutputFormat::Csv);
    if (saveResults(file) && m_state.store) {
        m_state.store->write(QStringLiteral("main"), QString::fromLatin1(kResultsFolderKey),
                             QFileInfo(file).absolutePath());
        m_state.store->flush();
    }
}

void frmResults::mnuCopySelection_Click() {
    // What the user sees: rows the filter hides are left out.
    std::vector<CheckTable::Cell> cells;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedIndexes())
        if (!m_grid->isRowHidden(index.row()))
            cells.push_back({index.column() + 1, index.row() + 1});
    if (cells.empty())
        return;
    const int count = static_cast<int>(cells.size());
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(tabSeparatedCells(m_plan.candidates, std::move(cells)));
    showStatus(count == 1
                   ? QStringLiteral("Copied 1 domain, tab-separated with a header.")
                   : QStringLiteral("Copied %1 domains, tab-separated with a header.").arg(count));
}

// Entries with nothing to do are off: nothing to ask again, no free name left to confirm.
void frmResults::enableWorkEntries() {
    const CheckTable& table = m_plan.candidates;
    const bool again = table.anyOf([](const CheckItem& item) {
        return item.state == CheckState::NotChecked && item.reason != NotCheckedReason::InvalidName;
    });
    const bool confirm = table.anyOf([](const CheckItem& item) {
        return item.state == CheckState::Available && item.registry != RegistryAnswer::NotFound;
    });
    findChild<QAction*>(QStringLiteral("mnuCheckAgain"))->setEnabled(again);
    findChild<QAction*>(QStringLiteral("mnuConfirm"))->setEnabled(confirm);
}

void frmResults::mnuCheckAgain_Click() {
    if (isRunActive())
        return;
    // With the nameserver now set, its suffixes tested afresh.
    if (m_run.checkAgain(m_plan.candidates, m_state.dns) > 0)
        m_model.showAllCellStates();
}

void frmResults::mnuOnlyFree_Toggled(bool) {
    applyRowFilter();
}

// With the filter on, a row shows only when one of its names is free.
void frmResults::applyRowFilter() {
    const CheckTable& table = m_plan.candidates;
    const bool onlyFree = m_mnuOnlyFree->isChecked();
    for (int r = 1; r <= table.nameCount(); ++r) {
        bool free = false;
        for (int c = 1; c <= table.colCount() && !free; ++c)
            free = table.at(c, r).state == CheckState::Available;
        m_grid->setRowHidden(r - 1, onlyFree && !free);
    }
}

} // namespace nomispot
