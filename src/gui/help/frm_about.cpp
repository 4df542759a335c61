#include "help/frm_about.h"

#include "app_info.h"
#include "help/about_pictures.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace nomispot {

namespace {

// An etched rule: a grey line with a white line under it.
class EtchedRule : public QWidget {
public:
    explicit EtchedRule(QWidget* parent) : QWidget(parent) {
        setFixedHeight(2);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawLine(0, 0, width() - 1, 0);
        p.setPen(Qt::white);
        p.drawLine(0, 1, width() - 1, 1);
    }
};

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QString versionLine() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(kVersionMajor)
        .arg(kVersionMinor)
        .arg(kVersionRevision);
}

} // namespace

frmAbout::frmAbout(AppState& state, QWidget* parent)
    : QDialog(parent), m_state(state), m_sysInfo(SysInfoTools::system()) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + appTitle());

    auto* picIcon = makeLabel(QStringLiteral("picIcon"), QString(), this);
    const QIcon appIcon = QApplication::windowIcon();
    picIcon->setPixmap(appIcon.isNull() ? programIconPixmap(32) : appIcon.pixmap(32, 32));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* lblTitle = makeLabel(QStringLiteral("lblTitle"), appTitle(), this);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSize(12);
    lblTitle->setFont(titleFont);
    auto* lblVersion = makeLabel(QStringLiteral("lblVersion"), versionLine(), this);

    auto* picture = makeLabel(QStringLiteral("Picture1"), QString(), this);
    picture->setPixmap(aboutPicture());
    picture->setFixedSize(137, 72);

    auto* label1 = makeLabel(
        QStringLiteral("Label1"),
        QStringLiteral("Nomispot by Brixmoor. The premier tool for checking Internet Domains."),
        this);
    auto* label2 = makeLabel(QStringLiteral("Label2"),
                             QStringLiteral("Visit the Brixmoor web site to download the newest "
                                            "version of Nomispot or to get update files for this "
                                            "one."),
                             this);
    for (QLabel* label : {label1, label2}) {
        label->setWordWrap(true);
        label->setMinimumWidth(230);
    }

    auto* rule = new EtchedRule(this);
    rule->setObjectName(QStringLiteral("Line1"));

    auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* heading = new QVBoxLayout;
    heading->addWidget(lblTitle);
    heading->addWidget(lblVersion);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(heading, 1);

    auto* words = new QVBoxLayout;
    words->addWidget(label1);
    words->addWidget(label2);
    words->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(picture, 0, Qt::AlignTop);
    middle->addSpacing(12);
    middle->addLayout(words, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    buttons->addWidget(cmdOK);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addLayout(middle);
    layout->addSpacing(6);
    layout->addWidget(rule);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    cmdOK->setFocus();
}

void frmAbout::StartSysInfo() {
    nomispot::StartSysInfo(m_sysInfo, *m_state.messages);
}

} // namespace nomispot
