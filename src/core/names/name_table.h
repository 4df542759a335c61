#pragma once

#include <QStringList>

namespace nomispot {

// The names of a run, one per result row, and whether they still get a suffix per column.
struct NameTable {
    static constexpr int kSlots = 2049; // the most names a run takes

    QStringList Names;
    bool NamesNeedSuffix = true;

    int NameCount() const { return static_cast<int>(Names.size()); }
};

} // namespace nomispot
