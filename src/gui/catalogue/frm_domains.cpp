#include "catalogue/frm_domains.h"

#include "app_info.h"
#include "engine/run_plan.h"
#include "settings/settings_ops.h"
#include "twips.h"
#include "window_frame.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWindow>
#include <algorithm>

namespace nomispot {

namespace {

constexpr int kClientWidth = 5265;
constexpr int kDefaultHeight = 1400; // window height, frame included, with the default list
constexpr int kUserHeight = 5985;    // and with the personal selection
constexpr int kTypeAheadMs = 1000;   // letters typed within this time make one search

template <typename Widget>
Widget* make(const QString& name, QWidget* parent, double left, double top, double width,
             double height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    placeInTwips(widget, left, top, width, height);
    return widget;
}

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent, double left,
                        double top) {
    auto* button = make<QPushButton>(name, parent, left, top, 975, 375);
    button->setText(text);
    return button;
}

// Our fonts can be wider than the designed ones: a text control grows to show its whole text.
void fitText(QWidget* widget) {
    if (widget->sizeHint().width() > widget->width())
        widget->resize(widget->sizeHint().width(), widget->height());
}

// Row captions show text as it stands, so "&" is no mnemonic.
QString rowCaption(const TldEntry& entry) {
    return QString(entry.tld + QStringLiteral(" - ") + entry.description)
        .replace(u'&', QStringLiteral("&&"));
}

// The first entry whose TLD begins with typed, a leading dot ignored; -1 when none does.
int firstEntryStartingWith(const TldCatalogue& catalogue, QString typed) {
    while (typed.startsWith(u'.'))
        typed.remove(0, 1);
    if (typed.isEmpty())
        return -1;
    for (int i = 0; i < catalogue.count; ++i)
        if (catalogue[i].tld.startsWith(typed, Qt::CaseInsensitive))
            return i;
    return -1;
}

} // namespace

frmDomains::frmDomains(AppState& state, QWidget* parent)
    : QDialog(parent), m_state(state),
      m_defaultDomains(
          make<QRadioButton>(QStringLiteral("defaultdomains"), this, 0, 120, 2415, 255)),
      m_userDomains(make<QRadioButton>(QStringLiteral("userdomains"), this, 0, 600, 3135, 375)),
      m_frame(make<QGroupBox>(QStringLiteral("Frame1"), this, 240, 960, 4935, 4095)),
      m_scroll(new QScrollBar(Qt::Vertical, m_frame)) {
    setObjectName(QStringLiteral("frmDomains"));
    setWindowTitle(QStringLiteral("Domains to search"));
    setModal(true);

    m_defaultDomains->setText(QStringLiteral("Check only these domains"));
    m_userDomains->setText(QStringLiteral("Personal selection of domains"));
    auto* label = make<QLabel>(QStringLiteral("staticdomainlabel"), this, 240, 360, 3015, 255);
    label->setText(DefaultTlds::label());
    fitText(m_defaultDomains);
    fitText(m_userDomains);
    fitText(label);
    m_frame->setTitle(QStringLiteral("Select domains you want included in searches"));

    QPushButton* ok = makeButton(QStringLiteral("butOK"), QStringLiteral("OK"), this, 4200, 75);
    QPushButton* cancel =
        makeButton(QStringLiteral("butCancel"), QStringLiteral("Cancel"), this, 4200, 555);
    m_selAll = make<QPushButton>(QStringLiteral("butSelAll"), this, 1320, 5160, 1215, 375);
    m_selAll->setText(QStringLiteral("Select All"));
    m_clearAll = make<QPushButton>(QStringLiteral("butClearAll"), this, 2760, 5160, 1215, 375);
    m_clearAll->setText(QStringLiteral("Clear All"));
    ok->setDefault(true);

    // The rows: the first two as designed, each further one 250 twips below the one before.
    for (int i = 0; i < kRows; ++i) {
        const int top = i == 0 ? 300 : 570 + (i - 1) * 250;
        m_dom[i] = make<QCheckBox>(QStringLiteral("dom(%1)").arg(i), m_frame, 105, top, 4335, 270);
        // toggled, not clicked: a box ticked by the keyboard or a screen reader counts too.
        connect(m_dom[i], &QCheckBox::toggled, this,
                [this, i](bool ticked) { dom_Click(i, ticked); });
        m_dom[i]->installEventFilter(this);
    }
    // The wheel over the rows or between them scrolls the list.
    m_frame->installEventFilter(this);

    m_scroll->setObjectName(QStringLiteral("VScroll1"));
    placeInTwips(m_scroll, 4680, 165, 195, 3855);
    // With fewer entries than rows the list does not scroll. A page is the rows shown.
    m_scroll->setRange(0, std::max(0, m_state.catalogue.count - kRows));
    m_scroll->setSingleStep(1);
    m_scroll->setPageStep(std::clamp<int>(m_state.catalogue.count, 1, kRows));
    m_scroll->setTracking(true);
    connect(m_scroll, &QScrollBar::valueChanged, this, &frmDomains::RefreshDomainList);
    connect(m_scroll, &QScrollBar::sliderMoved, this, &frmDomains::RefreshDomainList);

    connect(m_defaultDomains, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showOption(false);
    });
    connect(m_userDomains, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showOption(true);
    });
    connect(m_selAll, &QPushButton::clicked, this, [this] { setAllDomains(true); });
    connect(m_clearAll, &QPushButton::clicked, this, [this] { setAllDomains(false); });
    connect(ok, &QPushButton::clicked, this, &frmDomains::butOK_Click);
    connect(cancel, &QPushButton::clicked, this, &frmDomains::butCancel_Click);

    RefreshDomainList();
    if (m_state.searchSet == SearchSet::Selection) {
        m_userDomains->setChecked(true);
        showOption(true);
    } else {
        selectDefaultDomains();
    }
}

bool frmDomains::userDomainsSelected() const {
    return m_userDomains->isChecked();
}

void frmDomains::selectDefaultDomains() {
    m_defaultDomains->setChecked(true);
    showOption(false);
}

void frmDomains::RefreshDomainList() {
    const int top = m_scroll->sliderPosition();
    for (int i = 0; i < kRows; ++i) {
        const int index = top + i;
        const bool present = index < m_state.catalogue.count;
        m_dom[i]->setVisible(present);
        if (!present)
            continue;
        const TldEntry& entry = m_state.catalogue[index];
        m_dom[i]->setText(rowCaption(entry));
        // What ticking the row checks: a row with second-level labels is several endings.
        const QString endings =
            QStringLiteral("Checks .") + suffixesOf(entry).join(QStringLiteral(", ."));
        m_dom[i]->setToolTip(endings);
        m_dom[i]->setAccessibleDescription(endings);
        // Only 1 counts as selected; any other stored value shows clear and stays as it is
        // until the box is ticked. Showing a row is no tick.
        const QSignalBlocker quiet(m_dom[i]);
        m_dom[i]->setChecked(entry.isSelected());
    }
}

void frmDomains::butOK_Click() {
    // A personal selection without a single ending would give checks without columns.
    if (userDomainsSelected() &&
        planColumns(true, SearchSet::Selection, m_state.catalogue).empty()) {
        m_state.messages->show(
            {appTitle(),
             QStringLiteral("Choose at least one domain ending, or use the built-in list."),
             MessageIcon::None});
        return;
    }
    SaveTldSelection(*m_state.store, m_state.catalogue);
    m_state.searchSet = userDomainsSelected() ? SearchSet::Selection : SearchSet::DefaultList;
    writeUseUserDomains(*m_state.store, userDomainsSelected());
    accept();
}

void frmDomains::butCancel_Click() {
    LoadTldSelection(*m_state.store, m_state.catalogue);
    reject();
}

void frmDomains::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    applyHeight();
    whenFramed(this, [this] { applyHeight(); });
}

void frmDomains::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // The frame's size is known only once the window manager has framed the window.
    applyHeight();
}

bool frmDomains::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        // Handed to the scroll bar, which scrolls by the wheel's lines, at most a page a notch.
        // Not spontaneous, so it does not come back up through the frame.
        QCoreApplication::sendEvent(m_scroll, event);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto row = std::find(m_dom.begin(), m_dom.end(), watched);
        if (row != m_dom.end())
            return rowKey(m_scroll->value() + int(row - m_dom.begin()),
                          *static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

bool frmDomains::rowKey(int index, const QKeyEvent& key) {
    const int top = m_scroll->value();
    const int page = m_scroll->pageStep();
    const int last = m_state.catalogue.count - 1;
    const bool reverse = layoutDirection() == Qt::RightToLeft;
    if ((key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        switch (key.key()) {
        case Qt::Key_Up:
            showEntry(index - 1, top, Qt::BacktabFocusReason);
            return true;
        case Qt::Key_Down:
            showEntry(index + 1, top, Qt::TabFocusReason);
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const bool next = (key.key() == Qt::Key_Right) != reverse;
            showEntry(index + (next ? 1 : -1), top,
                      next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
        case Qt::Key_PageUp:
            showEntry(index - page, top - page, Qt::BacktabFocusReason);
            return true;
        case Qt::Key_PageDown:
            showEntry(index + page, top + page, Qt::TabFocusReason);
            return true;
        case Qt::Key_Home:
            showEntry(0, 0, Qt::BacktabFocusReason);
            return true;
        case Qt::Key_End:
            showEntry(last, last, Qt::TabFocusReason);
            return true;
        default:
            break;
        }
    }
    // Printable text searches; Space stays the box's own, and shortcuts keep their modifiers.
    const QString text = key.text();
    const bool printable = !text.isEmpty() && text.front().isPrint() && !text.front().isSpace();
    if (printable &&
        !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        typeAhead(text);
        return true;
    }
    return false;
}

void frmDomains::showEntry(int index, int top, Qt::FocusReason reason) {
    if (m_state.catalogue.count == 0)
        return;
    index = std::clamp(index, 0, m_state.catalogue.count - 1);
    // The scroll bar keeps top within its range, and that range keeps the last row filled.
    m_scroll->setValue(std::clamp(top, index - kRows + 1, index));
    m_dom[index - m_scroll->value()]->setFocus(reason);
}

void frmDomains::typeAhead(const QString& text) {
    if (!m_typedAt.isValid() || m_typedAt.hasExpired(kTypeAheadMs))
        m_typed.clear();
    m_typedAt.start();
    m_typed += text;
    const int found = firstEntryStartingWith(m_state.catalogue, m_typed);
    if (found >= 0)
        showEntry(found, m_scroll->value(), Qt::OtherFocusReason);
}

void frmDomains::showOption(bool user) {
    m_frame->setVisible(user);
    // Below the frame they lie outside the short window: hidden, they take no focus or keys.
    m_selAll->setVisible(user);
    m_clearAll->setVisible(user);
    m_outerHeightTwips = user ? kUserHeight : kDefaultHeight;
    applyHeight();
}

void frmDomains::dom_Click(int row, bool ticked) {
    const int index = m_scroll->sliderPosition() + row;
    if (index < m_state.catalogue.count)
        m_state.catalogue[index].selected = ticked ? 1 : 0;
}

void frmDomains::setAllDomains(bool selected) {
    setAllSelected(m_state.catalogue, selected);
    RefreshDomainList();
}

void frmDomains::applyHeight() {
    const int frame = frameExtents(this).height();
    const QSize size(twipsToPixels(kClientWidth, this),
                     std::max(1, twipsToPixelsY(m_outerHeightTwips, this) - frame));
    if (size != this->size() || size != minimumSize() || size != maximumSize())
        setFixedSize(size);
}

} // namespace nomispot
