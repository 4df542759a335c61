#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace nomispot {

enum class CheckState : std::uint8_t {
    Pending = 0,
    Unavailable = 1,
    Available = 2,
    NotChecked = 3
};

struct CheckItem {
    QString domain;
    QString tld; // finds the candidate's catalogue entry
    CheckState state = CheckState::Pending;
    std::uint16_t queryId = 0;
};

// Candidates by result column 1..colCount and name row 1..NameCount; index 0 is unused.
class CheckTable {
public:
    void reset(int colCount, int nameCount);

    int colCount() const { return m_colCount; }
    int nameCount() const { return m_nameCount; }
    int candidateCount() const { return m_colCount * m_nameCount; }

    // Every candidate still without a reply becomes NotChecked.
    void markPendingNotChecked();

    CheckItem& at(int c, int r) { return m_items[index(c, r)]; }
    const CheckItem& at(int c, int r) const { return m_items[index(c, r)]; }

    // Column and row of the candidate with identifier id ((c - 1) * NameCount + r).
    struct Cell {
        int c = 0;
        int r = 0;
    };
    std::optional<Cell> cellOfId(std::uint16_t id) const;

private:
    std::size_t index(int c, int r) const {
        return static_cast<std::size_t>(c) * static_cast<std::size_t>(m_nameCount + 1) +
               static_cast<std::size_t>(r);
    }

    int m_colCount = 0;
    int m_nameCount = 0;
    std::vector<CheckItem> m_items{1};
};

} // namespace nomispot
