#include "engine/check_table.h"

namespace nomispot {

void CheckTable::reset(int colCount, int nameCount) {
    m_colCount = colCount;
    m_nameCount = nameCount;
    m_items.assign(static_cast<std::size_t>(colCount + 1) * static_cast<std::size_t>(nameCount + 1),
                   CheckItem{});
}

void CheckTable::markPendingNotChecked() {
    for (int c = 1; c <= m_colCount; ++c)
        for (int r = 1; r <= m_nameCount; ++r)
            if (at(c, r).state == CheckState::Pending)
                at(c, r).state = CheckState::NotChecked;
}

std::optional<CheckTable::Cell> CheckTable::cellOfId(std::uint16_t id) const {
    if (id < 1 || id > candidateCount())
        return std::nullopt;
    return Cell{(id - 1) / m_nameCount + 1, (id - 1) % m_nameCount + 1};
}

} // namespace nomispot
