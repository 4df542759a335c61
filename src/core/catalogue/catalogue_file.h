#pragma once

#include "catalogue/tld_catalogue.h"

#include <QString>

#include <vector>

namespace nomispot {

inline constexpr auto kCatalogueFileName = "nspot.dll";

// Per-character mapping of the data file; its own inverse.
QString DecodeLine(const QString& line);

struct CatalogueLoad {
    bool opened = false;
    std::vector<int> skippedLines; // 1-based line numbers that were not loaded
};

// Reads the data file at path into catalogue (replacing its entries). Empty lines, lines with
// fewer than three fields and lines past the last slot are skipped and listed.
CatalogueLoad LoadCatalogue(const QString& path, TldCatalogue& catalogue);

// Path of the data file in the program's directory.
QString catalogueFilePath(const QString& programDir);

QString missingCatalogueTitle();
QString missingCatalogueMessage(const QString& programDir);
QString skippedLinesMessage(const QString& path, const std::vector<int>& lines);

} // namespace nomispot
