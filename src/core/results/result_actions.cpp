#include "results/result_actions.h"

#include "results/run_summary.h"

#include <algorithm>

namespace nomispot {

const TldEntry& entryOfCandidate(const TldCatalogue& catalogue, const CheckItem& item) {
    // Complete names have no TLD; a full catalogue has no empty slot to find for them.
    static const TldEntry none;
    if (item.tld.isEmpty())
        return none;
    return catalogue[FindTldIndex(catalogue, item.tld)];
}

PopupCaptions popupCaptions(const CheckItem& item, const TldEntry& entry,
                            const QString& columnSuffix) {
    PopupCaptions p;
    p.title = item.domain;
    switch (item.state) {
    case CheckState::Unavailable:
        p.title += QStringLiteral(" is unavailable.");
        break;
    case CheckState::Available:
        p.title += QStringLiteral(" is available!");
        break;
    case CheckState::NotChecked:
        p.title += QStringLiteral(" could not be checked.");
        break;
    case CheckState::NotRegistrable:
        p.title += QStringLiteral(" cannot be registered.");
        break;
    case CheckState::Pending:
    case CheckState::AlreadyWritten:
        break;
    }
    p.gotoEnabled = entry.hasRegistrySite();
    p.gotoCaption =
        p.gotoEnabled
            ? QStringLiteral("Goto .") + columnSuffix + QStringLiteral(" registration website.")
            : QStringLiteral("No registration site known for  .") + columnSuffix;
    p.wwwVisible = entry.hasRegistrySite() && item.state == CheckState::Unavailable;
    p.wwwCaption = QStringLiteral("Goto www.") + item.domain;
    return p;
}

QString wwwTarget(const CheckItem& item) {
    return QStringLiteral("www.") + item.domain;
}

QString clipboardLine(const CheckItem& item, const TldCatalogue& catalogue) {
    QString line = item.domain;
    switch (item.state) {
    case CheckState::Unavailable:
        line += QStringLiteral(" is unavailable.");
        break;
    case CheckState::NotChecked:
        line += QStringLiteral(" was not checked.");
        break;
    case CheckState::NotRegistrable:
        line += QStringLiteral(" cannot be registered (") + item.ruleReason + QStringLiteral(").");
        break;
    case CheckState::Available: {
        line += QStringLiteral(" is available");
        const TldEntry& entry = entryOfCandidate(catalogue, item);
        if (entry.registrySite.size() > 2)
            line += QStringLiteral(" (check ") + entry.registrySite + u')';
        break;
    }
    case CheckState::Pending:
    case CheckState::AlreadyWritten:
        break;
    }
    return line + QStringLiteral("\r\n");
}

QString clipboardText(const CheckTable& table, const TldCatalogue& catalogue) {
    QString text;
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r)
            text += clipboardLine(table.at(c, r), catalogue);
    return text;
}

QString clipboardText(const CheckTable& table, const TldCatalogue& catalogue,
                      std::vector<CheckTable::Cell> cells) {
    std::sort(cells.begin(), cells.end(), [](const CheckTable::Cell& a, const CheckTable::Cell& b) {
        return a.c != b.c ? a.c < b.c : a.r < b.r;
    });
    QString text;
    for (const CheckTable::Cell& cell : cells)
        text += clipboardLine(table.at(cell.c, cell.r), catalogue);
    return text;
}

QString copiedMessage() {
    return QStringLiteral("Results have been copied to the clipboard.");
}

QString stateDescription(const CheckItem& item) {
    QString text = item.domain;
    switch (item.state) {
    case CheckState::Available:
        text += QStringLiteral(" is available");
        if (!item.verdictSource.isEmpty())
            text += QStringLiteral(" (") + item.verdictSource + u')';
        if (item.registry == RegistryAnswer::NotFound)
            text += QStringLiteral(", confirmed by its registry");
        else if (item.registry == RegistryAnswer::Unknown)
            text += QStringLiteral("; the registry could not confirm it: ") + item.registryNote;
        break;
    case CheckState::Unavailable:
        text += QStringLiteral(" is taken");
        if (item.registeredNotInDns)
            text += QStringLiteral(": ") + reasonText(item);
        else if (!item.verdictSource.isEmpty())
            text += QStringLiteral(" (") + item.verdictSource + u')';
        if (item.mayBecomeFreeSoon)
            text += QStringLiteral("; may become free soon (%1)").arg(item.registryNote);
        if (item.expires.isValid())
            text += QStringLiteral("; expires %1").arg(item.expires.toString(Qt::ISODate));
        break;
    case CheckState::NotChecked:
        text += QStringLiteral(" was not checked: ") + reasonText(item);
        break;
    case CheckState::NotRegistrable:
        text += QStringLiteral(" cannot be registered: ") + reasonText(item);
        break;
    case CheckState::Pending:
    case CheckState::AlreadyWritten:
        text += QStringLiteral(" is being checked");
        break;
    }
    // A name typed in another script: the form the DNS knows it by.
    if (!item.ascii.isEmpty())
        text += QStringLiteral(" (") + item.ascii + u')';
    return text;
}

} // namespace nomispot
