#pragma once

#include "catalogue/tld_catalogue.h"
#include "result.h"

#include <QString>
#include <vector>

namespace nomispot {

inline constexpr auto kCatalogueFileName = "nspot.dll";

// Per-character mapping of the data file; its own inverse.
QString DecodeLine(const QString& line);

struct LoadedCatalogue {
    TldCatalogue catalogue;
    std::vector<int> skippedLines; // 1-based line numbers that were not loaded
};

// Reads the data file at path. Empty lines, lines with fewer than three fields or a control
// character, and lines past the last slot are skipped and listed. Fails with the missing-file
// message when it cannot be opened.
Result<LoadedCatalogue> LoadCatalogue(const QString& path);

// Path of the data file in dataDir (see app_dirs.h).
QString catalogueFilePath(const QString& dataDir);

QString missingCatalogueTitle();
QString missingCatalogueMessage(const QString& dataDir);
QString unreadableCatalogueMessage(const QString& path, const QString& reason);
QString skippedLinesMessage(const QString& path, const std::vector<int>& lines);

} // namespace nomispot
