#pragma once

#include "engine/check_table.h"
#include "registry/registry_client.h"

#include <QObject>
#include <vector>

namespace nomispot {

// What the registry's answer makes of a candidate: Found turns a free one taken ("registered, not
// in DNS") and gives any taken one its expiry and statuses; NotFound confirms a free one; Unknown
// keeps the DNS's verdict, with the reason.
void applyRegistryOutcome(CheckItem& item, const RegistryOutcome& outcome);

// Asks the registries (RDAP, else WHOIS) about every free candidate of a finished run and writes
// their answers into its table.
class RegistryConfirmation : public QObject {
    Q_OBJECT
public:
    RegistryConfirmation(CheckTable& table, RegistryClient& client, QObject* parent = nullptr);

    // Which candidates are asked: the free ones, or the taken ones too (for their expiry).
    enum class Scope { FreeNames, FreeAndTakenNames };

    // How many candidates there are to ask about; finished() follows when none.
    int start(Scope scope = Scope::FreeNames);
    // Stops asking; the candidates not yet answered stay free and not asked.
    void cancel();

    int total() const { return static_cast<int>(m_cells.size()); }
    int answeredCount() const { return m_answered; }
    // The longest wait of a host holding back this confirmation's questions.
    std::optional<HostWait> longestWait() const { return m_questions.longestWait(); }

signals:
    void confirmed(int c, int r); // the candidate's registry answer is in the table
    void finished();

private:
    CheckTable& m_table;
    RegistryQuestions m_questions;
    std::vector<CheckTable::Cell> m_cells;
    int m_answered = 0;
};

} // namespace nomispot
