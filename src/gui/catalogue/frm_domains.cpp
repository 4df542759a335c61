#include "catalogue/frm_domains.h"

#include "engine/run_plan.h"
#include "settings/settings_ops.h"
#include "twips.h"
#include "window_frame.h"

#include <QCheckBox>
#include <QGroupBox>
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
    QPushButton* selAll =
        make<QPushButton>(QStringLiteral("butSelAll"), this, 1320, 5160, 1215, 375);
    selAll->setText(QStringLiteral("Select All"));
    QPushButton* clearAll =
        make<QPushButton>(QStringLiteral("butClearAll"), this, 2760, 5160, 1215, 375);
    clearAll->setText(QStringLiteral("Clear All"));
    ok->setDefault(true);

    // The rows: the first two as designed, each further one 250 twips below the one before.
    for (int i = 0; i < kRows; ++i) {
        const int top = i == 0 ? 300 : 570 + (i - 1) * 250;
        m_dom[i] = make<QCheckBox>(QStringLiteral("dom(%1)").arg(i), m_frame, 105, top, 4335, 270);
        // toggled, not clicked: a box ticked by the keyboard or a screen reader counts too.
        connect(m_dom[i], &QCheckBox::toggled, this,
                [this, i](bool ticked) { dom_Click(i, ticked); });
    }

    m_scroll->setObjectName(QStringLiteral("VScroll1"));
    placeInTwips(m_scroll, 4680, 165, 195, 3855);
    // With fewer entries than rows the list does not scroll.
    m_scroll->setRange(0, std::max(0, m_state.catalogue.count - kRows));
    m_scroll->setSingleStep(1);
    m_scroll->setPageStep(1);
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
    connect(selAll, &QPushButton::clicked, this, [this] { setAllDomains(true); });
    connect(clearAll, &QPushButton::clicked, this, [this] { setAllDomains(false); });
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

void frmDomains::showOption(bool user) {
    m_frame->setVisible(user);
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
