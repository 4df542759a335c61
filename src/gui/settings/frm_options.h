#pragma once

#include "app_state.h"
#include "settings/dns_fields.h"

#include <QDialog>

class QPushButton;

namespace nomispot {

// "DNS Options": the everyday dialog for the nameserver, delay and retries. Shown modeless; it
// deletes itself when closed, so each opening starts from a fresh load.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(AppState& state, QWidget* parent = nullptr);

    void butOK_Click();
    void butCancel_Click();

private:
    AppState& m_state;
    DnsFields m_fields;
};

} // namespace nomispot
