#pragma once

#include "app_state.h"
#include "names/name_parser.h"

#include <QMainWindow>
#include <QPointer>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nomispot {

class frmResults;

// The start window: the names box, the two check modes and Check.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(AppState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    CheckMode checkMode() const;
    // The results window of the current or last run, while it is open.
    frmResults* results() const;
    bool isRunActive() const;

    // Check: plans a run on the typed names and starts it, or says why it cannot.
    void activate_Click();

    // File > Open Names: the names of a text file into the names box. A file that cannot be
    // used is told through the message service and the box stays as it was. True when loaded.
    bool openNames(const QString& path);
    // Asks for the file, starting in the folder of the last one, and opens it.
    void mnuOpenNames_Click();

protected:
    // Closing the main window ends the program, whatever else is open or running; results not
    // saved or copied are dropped only once the user agrees.
    void closeEvent(QCloseEvent* event) override;

private:
    // Whether the results window may be closed: it holds nothing unsaved, or the user answered
    // Yes to question, which is given the number of domains answered.
    bool resultsMayGo(QString (*question)(int domains));

    AppState& m_state;
    QLineEdit* m_names;
    QPushButton* m_activate;
    QRadioButton* m_modes[2];
    QPointer<frmResults> m_results;
};

QString mainWindowCaption();
// The second line of the message when a check is too large for the window.
QString longListHint();

} // namespace nomispot
