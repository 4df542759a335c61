#include "settings/frm_options_first.h"

#include "twips.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace nomispot {

namespace {

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* makeText(const QString& name, const QString& text, QWidget* parent) {
    QLabel* label = makeLabel(name, text, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* makeBoldLabel(const QString& name, const QString& text, QWidget* parent) {
    QLabel* label = makeLabel(name, text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

QString nameserverIntroText() {
    return QStringLiteral(
               "Please enter what nameserver that Nomispot should ask about domains. This will "
               "most often be the same nameserver you entered in your internet setup. Do not use "
               "a \"root nameserver\" - this will not work. A nameserver could for example be "
               "called %1, but do not enter that one: it does not exist.")
        .arg(QString::fromLatin1(kPlaceholderNameserver));
}

frmOptionsFirst::frmOptionsFirst(AppState& state, QWidget* parent)
    : QDialog(parent), m_state(state), m_fields(this) {
    setObjectName(QStringLiteral("frmOptionsFirst"));
    setWindowTitle(QStringLiteral("DNS Options"));
    setModal(true);

    QLabel* welcome =
        makeBoldLabel(QStringLiteral("Label4"), QStringLiteral("Welcome to Nomispot"), this);
    QFont big = welcome->font();
    big.setPointSize(12);
    welcome->setFont(big);

    auto* rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("Line1"));
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto* done = new QPushButton(QStringLiteral("D&one"), this);
    done->setObjectName(QStringLiteral("butOK"));
    done->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->setColumnStretch(1, 1);
    int row = 0;
    auto addText = [&](QWidget* text) { layout->addWidget(text, row++, 0, 1, 2); };
    auto addField = [&](QLabel* label, QWidget* field) {
        layout->addWidget(label, row, 0);
        layout->addWidget(field, row++, 1);
    };
    addText(welcome);
    addText(makeText(QStringLiteral("Label5"),
                     QStringLiteral("Since this is the first time you run Nomispot you need to "
                                    "enter a few default values. This is very simple and only "
                                    "has to be done once. You can always change these values in "
                                    "the options menu."),
                     this));
    addText(rule);
    addText(makeText(QStringLiteral("Label1"), nameserverIntroText(), this));
    addField(makeBoldLabel(QStringLiteral("Label6"), QStringLiteral("Nameserver:"), this),
             m_fields.server());
    addText(makeText(QStringLiteral("Label7"),
                     QStringLiteral("Now please indicate how long Nomispot should wait between "
                                    "requests to the nameserver. A value of 30 to 100 should "
                                    "work fine."),
                     this));
    addField(makeBoldLabel(QStringLiteral("Label2"), QString::fromLatin1(kDelayLabelText), this),
             m_fields.delayRow());
    addText(makeText(QStringLiteral("Label8"),
                     QStringLiteral("Finally tell me how many times you would like to retry a "
                                    "each domain name if no satisfactory answer was given (or "
                                    "any) from the DNS. Recommended is 2-3."),
                     this));
    addField(makeBoldLabel(QStringLiteral("Label3"), QString::fromLatin1(kRetriesLabelText), this),
             m_fields.retriesRow());
    layout->setRowMinimumHeight(row++, 8);
    layout->addWidget(done, row, 1, Qt::AlignRight);

    setMinimumWidth(twipsToPixels(7800, this));
    connect(done, &QPushButton::clicked, this, &frmOptionsFirst::butOK_Click);

    m_fields.load(m_state.dns);
}

void frmOptionsFirst::butOK_Click() {
    if (m_fields.accept(m_state))
        accept();
}

} // namespace nomispot
