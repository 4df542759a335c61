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

const RegistryDirectory* frmResults::registryDirectory(bool quiet) {
    if (!m_registries)
        m_registries = loadRegistryDirectory(m_state.dataDir);
    if (*m_registries)
        return &m_registries->value();
    if (!quiet)
        m_state.messages->show({appTitle(), m_registries->error().message, MessageIcon::Critical});
    return nullptr;
}

void frmResults::showRegistryEntries(int c, int r) {
    const CheckTable& table = m_plan.candidates;
    const CheckItem& item = table.at(c, r);
    // Any name the DNS could be asked about can be asked at its registry; one that breaks a
    // hyphen rule was never asked.
    const bool askable = item.reason != NotCheckedReason::InvalidName &&
                         !(item.state == CheckState::NotRegistrable && !item.sent);
    m_mnuWhois->setVisible(askable);
    const RegistryDirectory* registries = registryDirectory(true);
    // Without usable registry lists the entry stays, and says why when chosen.
    const std::optional<QString> unknown =
        registries ? noRegistryMessage(*registries, item.wireName()) : std::nullopt;
    m_mnuWhois->setText(unknown.value_or(QStringLiteral("WHOIS lookup")));
    m_mnuWhois->setEnabled(askable && !unknown);

    int taken = 0;
    for (int column = 1; column <= table.colCount(); ++column)
        taken += table.at(column, r).state == CheckState::Unavailable;
    m_mnuDisplay->setText(
        QStringLiteral("Display info on %1 domain%2").arg(taken).arg(taken == 1 ? "" : "s"));
    m_mnuDisplay->setVisible(taken > 0);
}

void frmResults::lookUp(const std::vector<CheckTable::Cell>& cells) {
    const RegistryDirectory* registries = registryDirectory(false);
    if (!registries || cells.empty())
        return;
    std::vector<frmRegistryLookup::Domain> domains;
    for (const CheckTable::Cell& cell : cells) {
        const CheckItem& item = m_plan.candidates.at(cell.c, cell.r);
        domains.push_back({item.domain, item.wireName(), cell});
    }
    auto* window = new frmRegistryLookup(*registries, std::move(domains), this);
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
    m_refreshNote.clear();
    if (!automaticRefreshDue(m_state.dataDir)) {
        startConfirmation();
        return;
    }
    // A registry list over a month old is refreshed first, once a day at most; the window stays
    // responsive and Cancel stops it.
    m_refresh = std::make_unique<BootstrapRefresh>(m_state.dataDir);
    connect(m_refresh.get(), &BootstrapRefresh::finished, this,
            [this](const BootstrapRefreshOutcome& outcome) {
                if (m_stage != Stage::Confirming)
                    return; // closed meanwhile
                m_refreshNote = refreshSummary(outcome);
                m_registries.reset(); // read again: the list in use may be new
                startConfirmation();
            });
    showRunning(Stage::Confirming, 0);
    m_progress->setFormat(QStringLiteral("Refreshing the registry list"));
    m_refresh->start(false);
}

void frmResults::startConfirmation() {
    // After a refresh the window already has its running look, which an early end undoes.
    const auto stop = [this] {
        if (m_stage == Stage::Confirming)
            showFinished();
    };
    const RegistryDirectory* registries = registryDirectory(false);
    if (!registries) {
        stop();
        return;
    }
    m_confirmation = std::make_unique<RegistryConfirmation>(m_plan.candidates, *registries);
    connect(m_confirmation.get(), &RegistryConfirmation::confirmed, this,
            &frmResults::ShowCellState);
    connect(m_confirmation.get(), &RegistryConfirmation::finished, this,
            &frmResults::completeConfirmation);
    const int total = m_confirmation->start();
    if (total == 0) {
        m_confirmation.reset();
        stop();
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
    // Names not answered yet stay free and not asked; a refresh under way stops.
    if (m_refresh)
        m_refresh->cancel();
    if (m_confirmation)
        m_confirmation->cancel();
    showFinished();
}

} // namespace nomispot
