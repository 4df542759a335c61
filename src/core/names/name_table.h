#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace nomispot {

// The names of the current run; slots past NameCount may still hold an earlier run's names.
struct NameTable {
    static constexpr int kSlots = 2049;

    std::array<QString, kSlots> Names;
    std::int16_t NameCount = 0;
    bool NamesNeedSuffix = true;
    bool RunActive = false;
};

} // namespace nomispot
