#include "search_columns.h"

namespace nomispot::cli {

std::vector<ResultColumn> searchColumns(const CliOptions& options, bool namesNeedSuffix,
                                        const TldCatalogue& catalogue) {
    if (!namesNeedSuffix || options.searchSet != SearchSet::Explicit)
        return planColumns(namesNeedSuffix, options.searchSet == SearchSet::Selection, catalogue);
    std::vector<ResultColumn> columns;
    for (const QString& suffix : options.tlds)
        columns.push_back({suffix, suffix});
    return columns;
}

} // namespace nomispot::cli
