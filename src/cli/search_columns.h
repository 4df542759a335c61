#pragma once

#include "catalogue/tld_catalogue.h"
#include "cli_options.h"
#include "engine/run_plan.h"

#include <vector>

namespace nomispot::cli {

// The result columns of a run: "Free?" for complete names, else the chosen search set; each
// suffix of --tlds is one column, as it stands.
std::vector<ResultColumn> searchColumns(const CliOptions& options, bool namesNeedSuffix,
                                        const TldCatalogue& catalogue);

} // namespace nomispot::cli
