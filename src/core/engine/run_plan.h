#pragma once

#include "catalogue/tld_catalogue.h"
#include "engine/check_table.h"
#include "names/name_table.h"

#include <QString>
#include <QStringList>

namespace nomispot {

inline constexpr int kMaxCombinations = 2048;

struct ResultColumn {
    QString header;
    QString suffix; // appended to the names after a '.'; empty for complete names
};

// The result columns of a run, second-level labels expanded.
std::vector<ResultColumn> planColumns(bool namesNeedSuffix, bool useUserDomains,
                                      const TldCatalogue& catalogue);

QString tooManyCombinationsMessage(long long combinations);

// The number the combination-limit message names when a run of columnCount columns (second-level
// labels expanded) and nameCount names is refused, or 0 when the run fits.
long long refusedCombinations(std::size_t columnCount, long long nameCount);

// Fills table with one Pending candidate per column and name, numbered column by column.
void buildCheckItems(CheckTable& table, const std::vector<ResultColumn>& columns,
                     const NameTable& names, const TldCatalogue& catalogue);

QString networkFailureMessage();
QString sendFailureMessage();
QString socketErrorMessage();

} // namespace nomispot
