#pragma once

#include "app_state.h"
#include "help/system_info.h"

#include <QDialog>

namespace nomispot {

// The About box: title, version, the maker's words and the System Info button.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(AppState& state, QWidget* parent = nullptr);

    // The look-ups and the program start behind System Info; the machine's own by default.
    void setSysInfoTools(SysInfoTools tools) { m_sysInfo = std::move(tools); }

    // Starts the system information viewer, or says that there is none.
    void StartSysInfo();

private:
    AppState& m_state;
    SysInfoTools m_sysInfo;
};

} // namespace nomispot
