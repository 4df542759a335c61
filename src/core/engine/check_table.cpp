#include "engine/check_table.h"

namespace nomispot {

void CheckTable::reset(int colCount, int nameCount) {
    m_colCount = colCount;
    m_nameCount = nameCount;
    m_items.assign(static_cast<std::size_t>(colCount + 1) * static_cast<std::size_t>(nameCount + 1),
                   CheckItem{});
    m_probes.clear();
}

void CheckTable::markPendingNotChecked(std::optional<NotCheckedReason> why) {
    forEach([why](int, int, CheckItem& item) {
        if (item.state != CheckState::Pending)
            return;
        item.state = CheckState::NotChecked;
        if (why)
            item.reason = *why;
        // A code the server gave wins over silence.
        else if (item.reason != NotCheckedReason::ServerCode)
            item.reason = item.sent ? NotCheckedReason::NoAnswer : NotCheckedReason::NotSent;
    });
}

int CheckTable::reopenNotChecked() {
    int reopened = 0;
    forEach([&reopened](int, int, CheckItem& item) {
        if (item.state != CheckState::NotChecked || item.reason == NotCheckedReason::InvalidName)
            return;
        item.state = CheckState::Pending;
        item.reason = NotCheckedReason::None;
        item.rcode = 0;
        item.sent = false;
        ++reopened;
    });
    if (reopened > 0)
        for (SuffixProbe& probe : m_probes) {
            probe.trust = SuffixProbe::Trust::Trusted;
            probe.suffixExists = probe.madeUpAbsent = probe.remembered = false;
        }
    return reopened;
}

int CheckTable::probeQueriesToSend() const {
    int queries = 0;
    for (const SuffixProbe& probe : m_probes)
        if (!probe.remembered)
            queries += 2;
    return queries;
}

std::optional<CheckTable::Cell> CheckTable::cellOfId(std::uint16_t id) const {
    if (id < 1 || id > candidateCount())
        return std::nullopt;
    return Cell{(id - 1) / m_nameCount + 1, (id - 1) % m_nameCount + 1};
}

std::optional<CheckTable::ProbeQuery> CheckTable::probeOfId(std::uint16_t id) const {
    const int offset = id - candidateCount() - 1;
    if (offset < 0 || offset >= probeQueryCount())
        return std::nullopt;
    return ProbeQuery{offset / 2, offset % 2 == 1};
}

std::uint16_t CheckTable::probeQueryId(int probe, bool madeUp) const {
    return static_cast<std::uint16_t>(candidateCount() + 1 + probe * 2 + (madeUp ? 1 : 0));
}

} // namespace nomispot
