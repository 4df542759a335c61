#pragma once

#include "app_state.h"
#include "settings/dns_fields.h"

#include <QDialog>

namespace nomispot {

// The first-run wizard for the nameserver, delay and retries; shown modally. Closing it by its
// frame leaves the values stored before it opened.
class frmOptionsFirst : public QDialog {
    Q_OBJECT
public:
    explicit frmOptionsFirst(AppState& state, QWidget* parent = nullptr);

    void butOK_Click();

private:
    AppState& m_state;
    DnsFields m_fields;
};

// The wizard's explanation above the nameserver box, naming the placeholder as an example.
QString nameserverIntroText();

} // namespace nomispot
