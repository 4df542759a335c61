#include "names/frm_main.h"

#include "app_info.h"
#include "engine/run_plan.h"
#include "results/frm_results.h"
#include "settings/settings_ops.h"
#include "twips.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace nomispot {

QString mainWindowCaption() {
    return QStringLiteral("%1%2.%3 from Brixmoor")
        .arg(appTitle())
        .arg(kVersionMajor)
        .arg(kVersionMinor);
}

frmMain::frmMain(AppState& state, QWidget* parent) : QMainWindow(parent), m_state(state) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(mainWindowCaption());

    auto* client = new QWidget(this);
    setCentralWidget(client);

    m_names = new QLineEdit(client);
    m_names->setObjectName(QStringLiteral("names"));
    m_names->setToolTip(QStringLiteral("Enter name or names to check"));
    placeInTwips(m_names, 30, 15, 3615, 375);

    m_activate = new QPushButton(QStringLiteral("Check"), client);
    m_activate->setObjectName(QStringLiteral("activate"));
    m_activate->setDefault(true);
    m_activate->setAutoDefault(true);
    placeInTwips(m_activate, 3720, 15, 735, 375);
    connect(m_activate, &QPushButton::clicked, this, &frmMain::activate_Click);
    // Enter in the names box checks, as the default button of the window.
    connect(m_names, &QLineEdit::returnPressed, this, &frmMain::activate_Click);

    auto* group = new QButtonGroup(this);
    const char* captions[2] = {"Check Seperately", "Check Combinations"};
    const char* tips[2] = {"foo bar: foo.com bar.com",
                           "foo bar: foo.com bar.com foobar.com barfoo.com"};
    for (int i = 0; i < 2; ++i) {
        m_modes[i] = new QRadioButton(QString::fromLatin1(captions[i]), client);
        m_modes[i]->setObjectName(QStringLiteral("checkmode(%1)").arg(i));
        m_modes[i]->setToolTip(QString::fromLatin1(tips[i]));
        placeInTwips(m_modes[i], i == 0 ? 45 : 1965, 405, 1815, 255);
        group->addButton(m_modes[i], i);
    }
    // Captions wider than their place in this font keep their full text.
    const int gap = twipsToPixels(60, this);
    m_modes[0]->resize(std::max(m_modes[0]->width(), m_modes[0]->sizeHint().width()),
                       m_modes[0]->height());
    m_modes[1]->move(std::max(m_modes[1]->x(), m_modes[0]->geometry().right() + gap),
                     m_modes[1]->y());
    m_modes[1]->resize(std::max(m_modes[1]->width(), m_modes[1]->sizeHint().width()),
                       m_modes[1]->height());
    m_modes[0]->setChecked(true);

    setTabOrder(m_activate, m_names);
    setTabOrder(m_names, m_modes[0]);
    setTabOrder(m_modes[0], m_modes[1]);
    // Tab starts at Check, but a new window is for typing names.
    m_names->setFocus();

    client->setFixedSize(
        std::max(twipsToPixels(4530, client), m_modes[1]->geometry().right() + gap),
        twipsToPixelsY(675, client));
    m_state.names.RunActive = false;
}

frmMain::~frmMain() = default;

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_results)
        m_results->close();
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

CheckMode frmMain::checkMode() const {
    return m_modes[1]->isChecked() ? CheckMode::Combinations : CheckMode::Separately;
}

void frmMain::activate_Click() {
    const ParseOutcome outcome = parseNames(m_names->text(), checkMode(), m_state.names);
    switch (outcome.kind) {
    case ParseOutcome::Illegal:
        m_state.messages->show({appTitle() + QString::fromLatin1(kIllegalCharsTitleSuffix),
                                illegalCharactersMessage(), MessageIcon::None});
        return;
    case ParseOutcome::Blank:
        return;
    case ParseOutcome::TooManyNames: {
        // Refused before anything is written past the name table.
        const bool complete = normaliseNames(m_names->text()).contains(u'.');
        const auto columns =
            planColumns(!complete, readUseUserDomains(*m_state.store), m_state.catalogue);
        const long long n = static_cast<long long>(outcome.neededSlots) *
                            std::max<long long>(1, static_cast<long long>(columns.size()));
        m_state.messages->show({appTitle(), tooManyCombinationsMessage(n), MessageIcon::Critical});
        return;
    }
    case ParseOutcome::Ok:
        break;
    }

    // One run at a time: a new Check ends the one in progress.
    if (m_results)
        m_results->close();
    m_state.names.RunActive = true;
    m_results = new frmResults(m_state, this);
    m_results->show();
    m_results->GetData();
}

} // namespace nomispot
