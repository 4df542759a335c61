#pragma once

#include "app_state.h"

class QLineEdit;
class QWidget;

namespace nomispot {

class UpDown;

inline constexpr auto kDelayLabelText = "Delay between queries (1/1000th seconds):";
inline constexpr auto kRetriesLabelText = "Number of retries on each domain name:";

// The nameserver, delay and retries boxes with their arrows, as both DNS dialogs show them. The
// widgets belong to the dialog passed in; each dialog places them in its own layout.
class DnsFields {
public:
    explicit DnsFields(QWidget* dialog);

    QLineEdit* server() const { return m_server; }
    QLineEdit* delay() const { return m_delay; }
    QLineEdit* retries() const { return m_retries; }
    // The delay box with UpDown2 at its right, and the retries box with UpDown1.
    QWidget* delayRow() const { return m_delayRow; }
    QWidget* retriesRow() const { return m_retriesRow; }

    // Fills the boxes from settings.
    void load(const DnsSettings& dns);
    // Validates the boxes; accepted input goes to state.dns and the store, refused input gets
    // its message (a refused nameserver also takes the focus). Returns whether the input was
    // accepted.
    bool accept(AppState& state);

private:
    QLineEdit* m_server;
    QLineEdit* m_delay;
    QLineEdit* m_retries;
    QWidget* m_delayRow;
    QWidget* m_retriesRow;
};

} // namespace nomispot
