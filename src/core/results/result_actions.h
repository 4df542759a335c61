#pragma once

#include "catalogue/tld_catalogue.h"
#include "engine/check_table.h"

#include <QString>
#include <vector>

namespace nomispot {

// The catalogue entry behind a candidate's row actions: the one FindTldIndex gives for its tld.
const TldEntry& entryOfCandidate(const TldCatalogue& catalogue, const CheckItem& item);

struct PopupCaptions {
    QString title;
    QString gotoCaption;
    bool gotoEnabled = false;
    QString wwwCaption;
    bool wwwVisible = false;
};

PopupCaptions popupCaptions(const CheckItem& item, const TldEntry& entry,
                            const QString& columnSuffix);

// Target of "Goto www.": no scheme in front.
QString wwwTarget(const CheckItem& item);

// A candidate's line of the clipboard list, CR LF ended.
QString clipboardLine(const CheckItem& item, const TldCatalogue& catalogue);

// Every candidate, column by column, one line each.
QString clipboardText(const CheckTable& table, const TldCatalogue& catalogue);
// The candidates of cells only, column by column.
QString clipboardText(const CheckTable& table, const TldCatalogue& catalogue,
                      std::vector<CheckTable::Cell> cells);

QString copiedMessage();

// "domain is available" and friends, with why when it was not checked, for the cell's tooltip
// and accessible text.
QString stateDescription(const CheckItem& item);

} // namespace nomispot
