#include "registry/registry_confirmation.h"

#include "registry/network_text.h"

#include <QTimer>

namespace nomispot {

void applyRegistryOutcome(CheckItem& item, const RegistryOutcome& outcome) {
    item.registry = outcome.answer;
    item.registrySource = outcome.source;
    item.expires = {};
    item.mayBecomeFreeSoon = false;
    switch (outcome.answer) {
    case RegistryAnswer::Found:
        // A name the DNS answered for stays taken as it was; a free one is held all the same,
        // or held back by its registry for good.
        if (item.state == CheckState::Available && outcome.reserved) {
            item.state = CheckState::NotRegistrable;
            item.ruleReason =
                QStringLiteral("reserved by its registry (\"%1\")").arg(outcome.reason);
        } else if (item.state == CheckState::Available) {
            item.state = CheckState::Unavailable;
            item.registeredNotInDns = true;
        }
        item.registryNote = cleanNetworkText(outcome.record.status.join(QStringLiteral(", ")));
        item.expires = outcome.record.expires.toUTC().date();
        item.mayBecomeFreeSoon = mayBecomeFreeSoon(outcome.record.status);
        break;
    case RegistryAnswer::Unknown:
        item.registryNote = outcome.reason;
        break;
    case RegistryAnswer::NotFound:
    case RegistryAnswer::NotAsked:
        item.registryNote.clear();
        break;
    }
}

RegistryConfirmation::RegistryConfirmation(CheckTable& table, RegistryClient& client,
                                           QObject* parent)
    : QObject(parent), m_table(table), m_questions(client) {
    connect(&m_questions, &RegistryQuestions::answered, this,
            [this](int tag, const RegistryOutcome& outcome) {
                const CheckTable::Cell cell = m_cells[static_cast<std::size_t>(tag)];
                applyRegistryOutcome(m_table.at(cell.c, cell.r), outcome);
                ++m_answered;
                emit confirmed(cell.c, cell.r);
            });
    connect(&m_questions, &RegistryQuestions::idle, this, &RegistryConfirmation::finished);
}

int RegistryConfirmation::start(Scope scope) {
    m_cells.clear();
    m_answered = 0;
    const auto asked = [scope](const CheckItem& item) {
        if (item.state == CheckState::Available)
            return item.registry != RegistryAnswer::NotFound;
        // Taken in the DNS, its registry not yet heard from.
        return scope == Scope::FreeAndTakenNames && item.state == CheckState::Unavailable &&
               item.registry == RegistryAnswer::NotAsked;
    };
    m_table.forEach([&](int c, int r, const CheckItem& item) {
        if (asked(item))
            m_cells.push_back({c, r});
    });
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const CheckItem& item = m_table.at(m_cells[i].c, m_cells[i].r);
        m_questions.lookUp(static_cast<int>(i), item.wireName());
    }
    if (m_cells.empty())
        QTimer::singleShot(0, this, &RegistryConfirmation::finished);
    return total();
}

void RegistryConfirmation::cancel() {
    m_questions.cancel();
}

} // namespace nomispot
