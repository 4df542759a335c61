#pragma once

#include "catalogue/tld_catalogue.h"
#include "engine/check_table.h"

#include <QString>

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

// Every candidate, column by column, one CR LF line each.
QString clipboardText(const CheckTable& table, const TldCatalogue& catalogue);

QString copiedMessage();

// "domain is available" and friends, with why when it was not checked, for the cell's tooltip
// and accessible text.
QString stateDescription(const CheckItem& item);

} // namespace nomispot
