// The results window's registry look-ups: WHOIS lookup, the row's taken names, and confirming
// the free names of a finished run.
#include "app_info.h"
#include "results/frm_registry_lookup.h"
#include "results/frm_results.h"
#include "run/registries.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>

namespace nomispot {

void frmResults::showRegistryEntries(int c, int r) {
    const CheckTable& table = m_plan.candidates;
    const CheckItem& item = table.at(c, r);
    // Any name the DNS could be asked about can be asked at its registry; one that breaks a
    // hyphen rule was never asked.
    const bool askable = item.reason != NotCheckedReason::InvalidName &&
                         !(item.state == CheckState::NotRegistrable && !item.sent);
    m_mnuWhois->setVisible(askable);
    // Without usable registry lists the entry stays, and says why when chosen.
    Registries& registries = *m_state.registries;
    const std::optional<QString> unknown =
        registries.load() ? registries.noRegistryMessage(item.wireName()) : std::nullopt;
    m_mnuWhois->setText(unknown.value_or(QStringLiteral("WHOIS lookup")));
    m_mnuWhois->setEnabled(askable && !unknown);

    int taken = 0;
    for (int column = 1; column <= table.colCount(); ++column)
        taken += table.at(column, r).state == CheckState::Unavailable ? 1 : 0;
    m_mnuDisplay->setText(
        QStringLiteral("Display info on %1 domain%2").arg(taken).arg(taken == 1 ? "" : "s"));
    m_mnuDisplay->setVisible(taken > 0);
}

void frmResults::lookUp(const std::vector<CheckTable::Cell>& cells) {
    if (cells.empty())
        return;
    Registries& registries = *m_state.registries;
    if (const Status loaded = registries.load(); !loaded) {
        m_state.messages->show({appTitle(), loaded.error().message, MessageIcon::Critical});
        return;
    }
    std::vector<frmRegistryLookup::Domain> domains;
    for (const CheckTable::Cell& cell : cells) {
        const CheckItem& item = m_plan.candidates.at(cell.c, cell.r);
        domains.push_back({item.domain, item.wireName(), cell});
    }
    auto* window = new frmRegistryLookup(*registries.client(), std::move(domains), this);
    connect(window, &frmRegistryLookup::answerReceived, this, &frmResults::keepRegistryAnswer);
    window->show();
}

void frmResults::keepRegistryAnswer(const frmRegistryLookup::Domain& domain,
                                    const RegistryOutcome& outcome) {
    if (m_run.keepRegistryAnswer(m_plan.candidates, domain.cell, domain.ascii, outcome))
        ShowCellState(domain.cell.c, domain.cell.r);
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
    if (!isRunActive())
        m_run.confirm(m_plan.candidates);
}

} // namespace nomispot
