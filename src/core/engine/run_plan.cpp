#include "engine/run_plan.h"

#include <algorithm>

namespace nomispot {

std::vector<ResultColumn> planColumns(bool namesNeedSuffix, bool useUserDomains,
                                      const TldCatalogue& catalogue) {
    std::vector<ResultColumn> columns;
    if (!namesNeedSuffix) {
        columns.push_back({QStringLiteral("Free?"), QString()});
        return columns;
    }
    if (!useUserDomains) {
        for (const QString& tld : DefaultTlds::list())
            columns.push_back({tld, tld});
        return columns;
    }
    for (int i = 0; i < catalogue.count; ++i) {
        const TldEntry& e = catalogue[i];
        if (!e.isSelected())
            continue;
        if (e.subdomains.isEmpty()) {
            columns.push_back({e.tld, e.tld});
            continue;
        }
        // Every label, empty ones included, becomes a column of its own.
        for (const QString& label : e.subdomains.split(u':')) {
            const QString suffix = label + u'.' + e.tld;
            columns.push_back({suffix, suffix});
        }
    }
    return columns;
}

QString tooManyCombinationsMessage(long long combinations) {
    return QStringLiteral("Sorry, you have too many combinations of domains.\rThe maximum number "
                          "allowed is %1 and you have %2")
        .arg(kMaxCombinations)
        .arg(combinations);
}

long long refusedCombinations(std::size_t columnCount, long long nameCount) {
    const auto columns = static_cast<long long>(columnCount);
    const long long combinations = columns * nameCount;
    // More columns than identifiers can number are refused even without names.
    if (combinations <= kMaxCombinations && columns <= kMaxCombinations)
        return 0;
    return std::max(combinations, columns);
}

void buildCheckItems(CheckTable& table, const std::vector<ResultColumn>& columns,
                     const NameTable& names, const TldCatalogue& catalogue) {
    const int colCount = static_cast<int>(columns.size());
    const int nameCount = names.NameCount;
    table.reset(colCount, nameCount);
    for (int c = 1; c <= colCount; ++c) {
        const ResultColumn& column = columns[static_cast<std::size_t>(c - 1)];
        const QString tld =
            names.NamesNeedSuffix ? catalogue[FindTldIndex(catalogue, column.suffix)].tld : QString();
        for (int r = 1; r <= nameCount; ++r) {
            CheckItem& item = table.at(c, r);
            const QString& name = names.Names[static_cast<std::size_t>(r - 1)];
            item.domain = names.NamesNeedSuffix ? name + u'.' + column.suffix : name;
            item.tld = tld;
            item.state = CheckState::Pending;
            item.queryId = static_cast<std::uint16_t>((c - 1) * nameCount + r);
        }
    }
}

QString networkFailureMessage() {
    return QStringLiteral("Cannot initialize the network - \rPlease check that you are online.");
}

QString sendFailureMessage() {
    return QStringLiteral(
        "Error communicating with nameserver.\rCheck your settings under options->DNS options");
}

QString socketErrorMessage() { return QStringLiteral("Winsock error"); }

} // namespace nomispot
