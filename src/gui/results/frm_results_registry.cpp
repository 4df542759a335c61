// The results window's registry look-ups: WHOIS lookup, the row's taken names, and confirming
// the free names of a finished run.
#include "app_info.h"
#include "results/frm_registry_lookup.h"
#include "results/frm_results.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>

namespace nomispot {

const RdapBootstrap* frmResults::registryBootstrap(bool quiet) {
    if (!m_bootstrap)
        m_bootstrap = loadRdapBootstrap(m_state.dataDir);
    if (*m_bootstrap)
        return &m_bootstrap->value();
    if (!quiet)
        m_state.messages->show({appTitle(), m_bootstrap->error().message, MessageIcon::Critical});
    return nullptr;
}

void frmResults::showRegistryEntries(int c, int r) {
    const CheckTable& table = m_plan.candidates;
    const CheckItem& item = table.at(c, r);
    // Any name the DNS could be asked about can be asked at its registry.
    const bool askable = item.reason != NotCheckedReason::InvalidName;
    m_mnuWhois->setVisible(askable);
    const RdapBootstrap* bootstrap = registryBootstrap(true);
    // Without a usable bootstrap the entry stays, and says why when chosen.
    const bool known = !bootstrap || rdapServerFor(*bootstrap, item.wireName());
    m_mnuWhois->setText(known ? QStringLiteral("WHOIS lookup")
                              : noRdapServerMessage(*bootstrap, item.wireName()));
    m_mnuWhois->setEnabled(askable && known);

    int taken = 0;
    for (int column = 1; column <= table.colCount(); ++column)
        taken += table.at(column, r).state == CheckState::Unavailable;
    m_mnuDisplay->setText(
        QStringLiteral("Display info on %1 domain%2").arg(taken).arg(taken == 1 ? "" : "s"));
    m_mnuDisplay->setVisible(taken > 0);
}

void frmResults::lookUp(const std::vector<CheckTable::Cell>& cells) {
    const RdapBootstrap* bootstrap = registryBootstrap(false);
    if (!bootstrap || cells.empty())
        return;
    std::vector<frmRegistryLookup::Domain> domains;
    for (const CheckTable::Cell& cell : cells) {
        const CheckItem& item = m_plan.candidates.at(cell.c, cell.r);
        domains.push_back({item.domain, item.wireName(), cell});
    }
    auto* window = new frmRegistryLookup(*bootstrap, std::move(domains), this);
    connect(window, &frmRegistryLookup::answerReceived, this, &frmResults::keepRegistryAnswer);
    window->show();
}

void frmResults::keepRegistryAnswer(const frmRegistryLookup::Domain& domain,
                                    const RegistryOutcome& outcome) {
    // The window may outlive its run: only the same name in the same place takes the answer.
    CheckTable& table = m_plan.candidates;
    const auto [c, r] = domain.cell;
    if (isRunActive() || c < 1 || c > table.colCount() || r < 1 || r > table.nameCount() ||
        table.at(c, r).wireName() != domain.ascii)
        return;
    CheckItem& item = table.at(c, r);
    // A registration's details are always news; a lesser answer does not replace an earlier one.
    if (outcome.answer != RegistryAnswer::Found && item.registry != RegistryAnswer::NotAsked)
        return;
    applyRegistryOutcome(item, outcome);
    ShowCellState(c, r);
}

void frmResults::mnuWhois_Click() {
    const QModelIndex current = m_grid->currentIndex();
    if (isRunActive() || !current.isValid() || !m_mnuWhois->isEnabled())
        return;
    lookUp({{current.column() + 1, current.row() + 1}});
}

void frmResults::mnuDisplay_Click() {
    const QModelIndex current = m_grid->currentIndex();
    if (isRunActive() || !current.isValid())
        return;
    std::vector<CheckTable::Cell> taken;
    for (int c = 1; c <= colCount(); ++c)
        if (m_plan.candidates.at(c, current.row() + 1).state == CheckState::Unavailable)
            taken.push_back({c, current.row() + 1});
    lookUp(taken);
}

void frmResults::mnuConfirm_Click() {
    if (isRunActive())
        return;
    const RdapBootstrap* bootstrap = registryBootstrap(false);
    if (!bootstrap)
        return;
    m_confirmation = std::make_unique<RegistryConfirmation>(m_plan.candidates, *bootstrap);
    connect(m_confirmation.get(), &RegistryConfirmation::confirmed, this,
            &frmResults::ShowCellState);
    connect(m_confirmation.get(), &RegistryConfirmation::finished, this,
            &frmResults::completeConfirmation);
    const int total = m_confirmation->start();
    if (total == 0) {
        m_confirmation.reset();
        m_state.messages->show({appTitle(),
                                QStringLiteral("There are no free names left to confirm."),
                                MessageIcon::None});
        return;
    }
    showRunning(Stage::Confirming, total);
    repaintAnswers();
}

void frmResults::completeConfirmation() {
    if (m_stage != Stage::Confirming)
        return;
    // Names not answered yet stay free and not asked.
    m_confirmation->cancel();
    showFinished();
}

} // namespace nomispot
