#include "engine/check_table.h"

#include <QRandomGenerator>

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
        // A code the server gave, or a truncated answer, wins over silence.
        else if (item.reason != NotCheckedReason::ServerCode &&
                 item.reason != NotCheckedReason::Truncated)
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
    if (reopened > 0) {
        for (SuffixProbe& probe : m_probes) {
            probe.trust = SuffixProbe::Trust::Trusted;
            probe.suffixExists = probe.madeUpAbsent = probe.remembered = false;
        }
        // Asked again: identifiers the earlier run showed on the network are not used again.
        drawQueryIds();
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

void CheckTable::drawQueryIds() {
    const std::size_t needed = static_cast<std::size_t>(candidateCount() + probeQueryCount());
    std::vector<std::uint16_t> ids;
    ids.reserve(needed);
    std::vector<bool> used(65536, false);
    used[0] = true;
    std::vector<quint32> random(needed / 2 + 1);
    while (ids.size() < needed) {
        QRandomGenerator::system()->fillRange(random.data(), static_cast<qsizetype>(random.size()));
        for (const quint32 bits : random)
            for (const auto id :
                 {static_cast<std::uint16_t>(bits), static_cast<std::uint16_t>(bits >> 16)})
                if (!used[id] && ids.size() < needed) {
                    used[id] = true;
                    ids.push_back(id);
                }
    }
    auto next = ids.begin();
    forEach([&next](int, int, CheckItem& item) { item.queryId = *next++; });
    for (SuffixProbe& probe : m_probes) {
        probe.suffixId = *next++;
        probe.madeUpId = *next++;
    }
}

} // namespace nomispot
