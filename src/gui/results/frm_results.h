#pragma once

#include "app_state.h"
#include "catalogue/tld_catalogue.h"
#include "engine/run_plan.h"
#include "results/frm_registry_lookup.h"
#include "results/grid_layout.h"
#include "results/result_grid_model.h"
#include "run/check_run.h"

#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;

namespace nomispot {

// The results of one check: the grid of pictures, progress, Cancel/Close and the row actions. The
// check run does the work; the window shows it.
class frmResults : public QMainWindow {
    Q_OBJECT
public:
    // Confirming: a finished run's free names are being asked at their registries.
    enum class Stage { Preparing, Querying, Finished, Failed, Cancelled, Confirming };

    frmResults(AppState& state, RunPlan plan, QWidget* parent = nullptr);
    ~frmResults() override;

    // Runs the planned check: prepares the grid and the socket, then starts the paced query
    // phase, which goes on from timer and socket events.
    void GetData();

    int GetColwidth(int column) const;
    void ShowCellState(int c, int r);
    void ShowAllCellStates();

    Stage stage() const { return m_stage; }
    // From Check until the run (or a confirmation) ends, fails, is cancelled or the window closes.
    bool isRunActive() const {
        return m_stage == Stage::Preparing || m_stage == Stage::Querying ||
               m_stage == Stage::Confirming;
    }
    int colCount() const { return static_cast<int>(m_plan.columns.size()); }
    QString columnSuffix(int c) const;
    const CheckTable& candidates() const { return m_plan.candidates; }
    // Candidates with an answer (free or taken).
    int answeredCount() const;
    // Whether there are answers, of a run over or still going, not saved or copied since they
    // came.
    bool hasUnsavedResults() const;
    // Closes the window without asking: the user agreed to drop its results already.
    void discard();
    // What a finished run could not check; empty while it runs or when it checked everything.
    QString summary() const { return m_summaryText; }
    const ResultGridModel& gridModel() const { return m_model; }
    QueryRunner& runner() { return m_run.runner(); }
    std::optional<WindowLimits> limits() const { return m_limits; }
    // Outer size in twips.
    double outerWidth() const;
    double outerHeight() const;
    void setOuterSize(double width, double height);

    // The cell popup for result cell (c, r), both 1-based; shown at the mouse pointer, or at the
    // cell when opened from the keyboard.
    void openPopup(int c, int r, bool atCell = false);
    QMenu* popupMenu() const { return m_popup; }
    const TldEntry& popupEntry() const { return m_popupEntry; }

    void butCancelOk_Click();
    void mnuGoto_Click();
    void mnuWww_Click();
    void mnuCopy_Click();
    void mnuExit_Click();

    // The results window as a place to work in, once a run is over.
    // Writes CSV, or JSON for a name ending in .json; false after telling why it could not.
    bool saveResults(const QString& path);
    void mnuSave_Click();
    void mnuCopySelection_Click();
    // Asks again about the not-checked candidates (but names no nameserver can take), with the
    // nameserver now set; the answers fill the same grid.
    void mnuCheckAgain_Click();
    void mnuOnlyFree_Toggled(bool onlyFree);
    // Registry look-ups: the popup cell's domain, the taken domains of its row, and every free
    // name of the run (progress and Cancel as for a run; the window stays open).
    void mnuWhois_Click();
    void mnuDisplay_Click();
    void mnuConfirm_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildWorkspaceMenus();
    void applyRowFilter();
    void enableWorkEntries();
    void setRunningLook(bool running);
    void applySizingSequence();
    void placeNearParent();
    void applyResize();
    void connectRun();
    // The look of the run's stage: preparing and querying, confirming.
    void showStage(CheckRun::Stage stage);
    // The look while a run or a confirmation lasts: menus off, Cancel, an empty progress bar.
    void showRunning(Stage stage, int progressMaximum);
    void showNotice(const QString& message, CheckRun::Notice kind);
    void repaintAnswers();
    // The look of a finished run (or confirmation): every cell as it ended, the summary line.
    void showFinished();
    void showRegistryEntries(int c, int r);
    void lookUp(const std::vector<CheckTable::Cell>& cells);
    // A look-up window's answer about one of the run's domains goes into its cell.
    void keepRegistryAnswer(const frmRegistryLookup::Domain& domain,
                            const RegistryOutcome& outcome);
    void showSummary();
    void placeSummary();
    // A short note on the line under the grid, for a few seconds; then the summary again.
    void showStatus(const QString& text);
    void openPopupAtCurrentCell(bool atCell);
    double textWidthTwips(const QString& text) const;
    QRect availableScreen() const;

    AppState& m_state;
    RunPlan m_plan;
    ResultGridModel m_model;
    CheckRun m_run;
    QTimer m_repaint;
    QTableView* m_grid;
    QProgressBar* m_progress;
    QLabel* m_summary;
    QString m_summaryText;
    QPushButton* m_butCancelOk;
    QAction* m_escape;
    QMenu* m_mnuFile;
    QMenu* m_mnuEdit;
    QMenu* m_mnuView;
    QAction* m_mnuOnlyFree;
    QMenu* m_popup;
    QAction* m_mnuTitle;
    QAction* m_mnuDisplay;
    QAction* m_mnuGoto;
    QAction* m_mnuWww;
    QAction* m_mnuWhois;

    static constexpr int kZoneProgressSteps = 1000;

    Stage m_stage = Stage::Preparing;
    std::optional<WindowLimits> m_limits;
    TldEntry m_popupEntry;
    bool m_popupOpened = false;
    bool m_inResize = false;
    bool m_resultsKept = false; // saved or copied since the last answers came
    bool m_discardAgreed = false;
};

// The questions before results not saved or copied are dropped: on quitting, on a new Check, on
// closing their window.
QString quitQuestion(int domains);
QString checkAgainQuestion(int domains);
QString closeQuestion(int domains);

} // namespace nomispot
