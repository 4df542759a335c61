#pragma once

#include "app_state.h"
#include "names/name_parser.h"
#include "results/frm_results.h"

#include <QMainWindow>
#include <QPointer>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nomispot {

// The start window: the names box, the two check modes and Check.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(AppState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    CheckMode checkMode() const;
    // The results window of the current or last run, while it is open.
    frmResults* results() const { return m_results; }
    bool isRunActive() const { return m_results && m_results->isRunActive(); }

    // Check: plans a run on the typed names and starts it, or says why it cannot.
    void activate_Click();

protected:
    // Closing the main window ends the program at once, whatever else is open or running.
    void closeEvent(QCloseEvent* event) override;

private:
    AppState& m_state;
    QLineEdit* m_names;
    QPushButton* m_activate;
    QRadioButton* m_modes[2];
    QPointer<frmResults> m_results;
};

QString mainWindowCaption();

} // namespace nomispot
