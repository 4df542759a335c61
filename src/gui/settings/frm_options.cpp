#include "settings/frm_options.h"

#include "settings/settings_ops.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nomispot {

namespace {

QLabel* makeLabel(const QString& name, const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(name);
    return label;
}

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

frmOptions::frmOptions(AppState& state, QWidget* parent)
    : QDialog(parent), m_state(state), m_fields(this) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("DNS Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* fields = new QVBoxLayout;
    fields->addWidget(makeLabel(QStringLiteral("Label1"), "DNS to query :", this));
    fields->addWidget(m_fields.server());
    fields->addSpacing(6);
    fields->addWidget(makeLabel(QStringLiteral("Label2"), kDelayLabelText, this));
    fields->addWidget(m_fields.delayRow());
    fields->addSpacing(6);
    fields->addWidget(makeLabel(QStringLiteral("Label3"), kRetriesLabelText, this));
    fields->addWidget(m_fields.retriesRow());
    fields->addStretch();

    QPushButton* ok = makeButton(QStringLiteral("butOK"), QStringLiteral("OK"), this);
    QPushButton* cancel = makeButton(QStringLiteral("butCancel"), QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addLayout(fields, 0, 0);
    layout->addLayout(buttons, 0, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &frmOptions::butOK_Click);
    connect(cancel, &QPushButton::clicked, this, &frmOptions::butCancel_Click);

    m_fields.load(m_state.dns);
}

void frmOptions::butOK_Click() {
    if (m_fields.accept(m_state))
        accept();
}

void frmOptions::butCancel_Click() {
    LoadDnsSettings(*m_state.store, m_state.dns);
    reject();
}

} // namespace nomispot
