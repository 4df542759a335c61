#pragma once

#include "catalogue/tld_catalogue.h"
#include "engine/check_table.h"
#include "names/name_parser.h"
#include "names/name_table.h"
#include "names/registrability.h"
#include "result.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace nomispot {

inline constexpr int kMaxCombinations = 2048;

// Where the columns of names without a suffix come from.
enum class SearchSet { DefaultList, Selection };

struct ResultColumn {
    QString header;
    QString suffix; // appended to the names after a '.'; empty for complete names
};

// What the user asks to check.
struct RunRequest {
    RunRequest(QString text, CheckMode mode = CheckMode::Separately,
               SearchSet searchSet = SearchSet::DefaultList,
               std::optional<QStringList> suffixes = std::nullopt)
        : text(std::move(text)), mode(mode), searchSet(searchSet), suffixes(std::move(suffixes)) {}

    QString text;
    CheckMode mode;
    SearchSet searchSet;
    // Columns given one suffix each, as they stand, instead of the search set.
    std::optional<QStringList> suffixes;
    // Probes that the nameserver tells existing from made-up names under each suffix.
    bool selfTest = true;
};

// Everything a run needs before its first query.
struct RunPlan {
    NameTable names;
    std::vector<ResultColumn> columns;
    // One per column and name, numbered column by column: Pending, NotChecked when the name is
    // not a valid domain name, NotRegistrable when it breaks a hyphen rule; then the self-test
    // probes of their suffixes.
    CheckTable candidates;
};

// Why a request gives no run.
struct RunRefusal {
    enum Reason { Blank, IllegalCharacters, TooManyCombinations, NoSuffixes };
    Reason reason = Blank;
    QString message; // empty for Blank: nothing to say
};

// Turns what the user typed and chose into the run's names, columns and candidates, or refuses
// it with the message the user gets. rules say which candidates no registry can take.
Result<RunPlan, RunRefusal> planRun(const RunRequest& request, const TldCatalogue& catalogue,
                                    const RegistrationRules& rules = {});

// The result columns of a run, second-level labels expanded.
std::vector<ResultColumn> planColumns(bool namesNeedSuffix, SearchSet searchSet,
                                      const TldCatalogue& catalogue,
                                      const std::optional<QStringList>& suffixes = std::nullopt);

// The suffixes a catalogue row searches: its TLD, or one per second-level label.
QStringList suffixesOf(const TldEntry& entry);

// One candidate per column and name, numbered column by column: Pending, NotChecked for a name
// that is not a valid domain name, or NotRegistrable for one that breaks a hyphen rule (neither
// is ever sent). A pending one keeps the reservation that applies should the DNS call it free.
CheckTable buildCheckItems(const std::vector<ResultColumn>& columns, const NameTable& names,
                           const TldCatalogue& catalogue, const RegistrationRules& rules = {});

QString tooManyCombinationsMessage(long long combinations);

// The number the combination-limit message names when a run of columnCount columns (second-level
// labels expanded) and nameCount names is refused, or 0 when the run fits.
long long refusedCombinations(std::size_t columnCount, long long nameCount);

} // namespace nomispot
