#pragma once

#include "app_state.h"

#include <QDialog>
#include <QElapsedTimer>
#include <array>

class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace nomispot {

// "Domains to search": the default TLD list or a personal selection of catalogue entries, ticked
// in 14 rows that the scroll bar re-labels. The wheel, the paging and arrow keys and type-ahead
// over the rows move through the whole catalogue. Modal; the caller owns it and creates it anew
// for each opening, since each creation loads the option from the store.
class frmDomains : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 14;

    explicit frmDomains(AppState& state, QWidget* parent = nullptr);

    // Whether checks search the personal selection rather than the default list.
    bool userDomainsSelected() const;
    // Acts as a click on the default-list option.
    void selectDefaultDomains();
    // Fills the rows from the catalogue at the scroll position.
    void RefreshDomainList();

    void butOK_Click();
    void butCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showOption(bool user);
    void dom_Click(int row, bool ticked);
    void setAllDomains(bool selected);
    // Keys on the row showing entry index; false for keys the box handles itself.
    bool rowKey(int index, const QKeyEvent& key);
    // Shows catalogue entry index with the list scrolled as near to top as keeps it in view, and
    // gives its box the focus.
    void showEntry(int index, int top, Qt::FocusReason reason);
    // Adds text to what was typed within the last second and shows the first entry it begins.
    void typeAhead(const QString& text);
    // Keeps the window, frame included, at the height of the chosen option.
    void applyHeight();

    AppState& m_state;
    QRadioButton* m_defaultDomains;
    QRadioButton* m_userDomains;
    QGroupBox* m_frame;
    std::array<QCheckBox*, kRows> m_dom{};
    QScrollBar* m_scroll;
    QPushButton* m_selAll = nullptr;
    QPushButton* m_clearAll = nullptr;
    int m_outerHeightTwips = 0;
    QString m_typed;
    QElapsedTimer m_typedAt;
};

} // namespace nomispot
