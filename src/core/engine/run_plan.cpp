#include "engine/run_plan.h"

#include "engine/dns_message.h"
#include "engine/self_test.h"
#include "names/idna.h"

#include <algorithm>

namespace nomispot {

Result<RunPlan, RunRefusal> planRun(const RunRequest& request, const TldCatalogue& catalogue,
                                    const RegistrationRules& rules) {
    Result<NameTable, NameRefusal> parsed = parseNames(request.text, request.mode);
    if (!parsed) {
        const NameRefusal& why = parsed.error();
        switch (why.reason) {
        case NameRefusal::Illegal:
            return RunRefusal{RunRefusal::IllegalCharacters,
                              why.detail.isEmpty()
                                  ? illegalCharactersMessage()
                                  : illegalCharactersMessage() + u'\r' + why.detail};
        case NameRefusal::Blank:
            return RunRefusal{RunRefusal::Blank, QString()};
        case NameRefusal::TooManyNames: {
            // Counted as the run would count them, at least one column.
            const std::size_t columns =
                planColumns(why.namesNeedSuffix, request.searchSet, catalogue, request.suffixes)
                    .size();
            return RunRefusal{RunRefusal::TooManyCombinations,
                              tooManyCombinationsMessage(refusedCombinations(
                                  std::max<std::size_t>(columns, 1), why.neededSlots))};
        }
        }
    }

    RunPlan plan;
    plan.names = std::move(*parsed);
    plan.columns =
        planColumns(plan.names.NamesNeedSuffix, request.searchSet, catalogue, request.suffixes);
    // Names without an ending and no ending to put after them: a grid without columns.
    if (plan.columns.empty())
        return RunRefusal{RunRefusal::NoSuffixes,
                          QStringLiteral("No domain ending is chosen.\rChoose at least one under "
                                         "Options > Domains to search, or use the built-in list.")};
    // Counted after second-level labels are expanded, so identifiers always fit.
    if (const long long refused = refusedCombinations(plan.columns.size(), plan.names.NameCount()))
        return RunRefusal{RunRefusal::TooManyCombinations, tooManyCombinationsMessage(refused)};
    plan.candidates = buildCheckItems(plan.columns, plan.names, catalogue, rules);
    if (request.selfTest)
        addSelfTest(plan.candidates);
    plan.candidates.drawQueryIds();
    return plan;
}

std::vector<ResultColumn> planColumns(bool namesNeedSuffix, SearchSet searchSet,
                                      const TldCatalogue& catalogue,
                                      const std::optional<QStringList>& suffixes) {
    std::vector<ResultColumn> columns;
    if (!namesNeedSuffix) {
        columns.push_back({QStringLiteral("Free?"), QString()});
        return columns;
    }
    if (suffixes) {
        for (const QString& suffix : *suffixes)
            columns.push_back({suffix, suffix});
        return columns;
    }
    if (searchSet == SearchSet::DefaultList) {
        for (const QString& tld : DefaultTlds::list())
            columns.push_back({tld, tld});
        return columns;
    }
    for (int i = 0; i < catalogue.count; ++i) {
        const TldEntry& e = catalogue[i];
        if (!e.isSelected())
            continue;
        for (const QString& suffix : suffixesOf(e))
            columns.push_back({suffix, suffix});
    }
    return columns;
}

QStringList suffixesOf(const TldEntry& entry) {
    if (entry.subdomains.isEmpty())
        return {entry.tld};
    // Every label is a suffix of its own; an empty one stands for the TLD itself.
    QStringList suffixes;
    for (const QString& label : entry.subdomains.split(u':'))
        suffixes << (label.isEmpty() ? entry.tld : label + u'.' + entry.tld);
    return suffixes;
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

CheckTable buildCheckItems(const std::vector<ResultColumn>& columns, const NameTable& names,
                           const TldCatalogue& catalogue, const RegistrationRules& rules) {
    const int colCount = static_cast<int>(columns.size());
    const int nameCount = names.NameCount();
    CheckTable table;
    table.reset(colCount, nameCount);
    for (int c = 1; c <= colCount; ++c) {
        const ResultColumn& column = columns[static_cast<std::size_t>(c - 1)];
        const QString tld = names.NamesNeedSuffix
                                ? catalogue[FindTldIndex(catalogue, column.suffix)].tld
                                : QString();
        // A suffix given as it stands that breaks the label rules, hyphens included, is a typing
        // error: its candidates are not valid names.
        const bool suffixValid = column.suffix.isEmpty() || bool(toAsciiName(column.suffix));
        for (int r = 1; r <= nameCount; ++r) {
            CheckItem& item = table.at(c, r);
            const QString& name = names.Names[r - 1];
            item.domain = names.NamesNeedSuffix ? name + u'.' + column.suffix : name;
            // Kept only where it differs; a name that cannot be converted, or whose labels break
            // the label rules (a suffix given as it stands), is never sent, nor one that breaks
            // a hyphen rule: no registry can take it.
            const Result<QString> ascii = toAsciiName(item.domain, HyphenLabels::Keep);
            if (ascii && *ascii != item.domain)
                item.ascii = *ascii;
            item.tld = tld;
            if (!suffixValid || !ascii || !isValidDomainName(item.wireName())) {
                item.state = CheckState::NotChecked;
                item.reason = NotCheckedReason::InvalidName;
            } else if (const std::optional<RuleVerdict> hyphen =
                           rules.beforeAsking(item.wireName())) {
                item.state = CheckState::NotRegistrable;
                item.ruleReason = hyphen->reason;
            } else if (const std::optional<RuleVerdict> reserved = rules.ifFree(item.wireName())) {
                item.ruleReason = reserved->reason;
            }
        }
    }
    return table;
}

} // namespace nomispot
