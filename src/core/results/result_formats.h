#pragma once

#include "catalogue/tld_catalogue.h"
#include "engine/check_table.h"
#include "engine/run_plan.h"
#include "names/name_table.h"

#include <QString>
#include <optional>
#include <vector>

namespace nomispot {

enum class OutputFormat { Text, Csv, Json };

// What a finished (or interrupted) run gives to print or save.
struct RunResults {
    const CheckTable& table;
    const TldCatalogue& catalogue;
    const NameTable& names;
    const std::vector<ResultColumn>& columns;
};

// "available", "unavailable", "not_checked", "not_registrable" (and "pending" for a candidate
// still waiting).
QString stateWord(CheckState state);

// "found", "not-found", "unknown" or "not-asked".
QString registryWord(RegistryAnswer answer);
// Who answered for the registry: "rdap", "whois", or empty when no registry was asked.
QString registrySourceWord(RegistrySource source);
// The registration's end as an ISO date, or empty.
QString expiryText(const CheckItem& item);

// A CSV field, quoted when it holds a comma, a quote or a line break; one that starts like a
// spreadsheet formula (= + - @, a tab or a carriage return) is written after an apostrophe.
QString csvField(const QString& value);
// The fields of one CSV line as written here (quoted fields may hold commas and doubled quotes);
// nothing when a quote does not close.
std::optional<QStringList> csvLineFields(const QString& line);

// The results in format, candidates column by column; with onlyAvailable just the available ones.
QString formatResults(const RunResults& results, OutputFormat format, bool onlyAvailable);

// The CSV header line, without its line end.
QString csvHeader();

// One candidate's line of output: its text line, CSV record or JSON object (compact), no line end.
struct ResultLine {
    int c = 0;
    int r = 0;
    QString text;
};
// The lines of formatResults one by one, with their candidates, for output written run by run.
std::vector<ResultLine> resultLines(const RunResults& results, OutputFormat format,
                                    bool onlyAvailable);

// Cells as tab-separated lines under the header "domain, state, reason", column by column, for a
// spreadsheet to paste.
QString tabSeparatedCells(const CheckTable& table, std::vector<CheckTable::Cell> cells);

// The file a save writes: path as given when it ends in .csv or .json, else with the chosen
// format's extension added.
QString withResultsExtension(const QString& path, OutputFormat format);

} // namespace nomispot
