#include "results/result_formats.h"

#include "results/result_actions.h"
#include "results/run_summary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>
#include <utility>

namespace nomispot {

namespace {

struct Row {
    const CheckItem& item;
    const QString& name;
    const QString& suffix;
    QString registrySite;
};

// Calls visit for every candidate to print, in clipboard order, with its position in that order.
template <typename Visit>
void forEachRow(const RunResults& results, bool onlyAvailable, Visit visit) {
    const CheckTable& table = results.table;
    int index = 0;
    for (int c = 1; c <= table.colCount(); ++c) {
        for (int r = 1; r <= table.nameCount(); ++r, ++index) {
            const CheckItem& item = table.at(c, r);
            // A row the file being completed has already is not written again.
            if (item.state == CheckState::AlreadyWritten ||
                (onlyAvailable && item.state != CheckState::Available))
                continue;
            const TldEntry& entry = entryOfCandidate(results.catalogue, item);
            visit(index, Row{item, results.names.Names[r - 1],
                             results.columns[static_cast<std::size_t>(c - 1)].suffix,
                             entry.hasRegistrySite() ? entry.registrySite : QString()});
        }
    }
}

QString textOutput(const RunResults& results, bool onlyAvailable) {
    // The clipboard list holds one line per candidate in the same order; only its line ends differ.
    const QStringList lines =
        clipboardText(results.table, results.catalogue).split(QStringLiteral("\r\n"));
    QString out;
    forEachRow(results, onlyAvailable, [&](int index, const Row&) {
        out += lines.at(index);
        out += u'\n';
    });
    return out;
}

QString csvRow(const Row& row) {
    return QStringList{csvField(row.item.domain),
                       csvField(row.name),
                       csvField(row.suffix),
                       stateWord(row.item.state),
                       csvField(row.registrySite),
                       csvField(reasonText(row.item)),
                       csvField(row.item.wireName()),
                       registryWord(row.item.registry),
                       csvField(row.item.registryNote),
                       registrySourceWord(row.item.registrySource),
                       expiryText(row.item)}
        .join(u',');
}

QString csvOutput(const RunResults& results, bool onlyAvailable) {
    QString out = csvHeader() + u'\n';
    forEachRow(results, onlyAvailable, [&](int, const Row& row) {
        out += csvRow(row);
        out += u'\n';
    });
    return out;
}

QJsonObject jsonRow(const Row& row) {
    return QJsonObject{
        {QStringLiteral("domain"), row.item.domain},
        {QStringLiteral("name"), row.name},
        {QStringLiteral("suffix"), row.suffix},
        {QStringLiteral("state"), stateWord(row.item.state)},
        {QStringLiteral("registry_site"), row.registrySite},
        {QStringLiteral("reason"), reasonText(row.item)},
        {QStringLiteral("ascii"), row.item.wireName()},
        {QStringLiteral("registry"), registryWord(row.item.registry)},
        {QStringLiteral("registry_status"), row.item.registryNote},
        {QStringLiteral("registry_source"), registrySourceWord(row.item.registrySource)},
        {QStringLiteral("expires"), expiryText(row.item)}};
}

QString jsonOutput(const RunResults& results, bool onlyAvailable) {
    QJsonArray array;
    forEachRow(results, onlyAvailable, [&](int, const Row& row) { array.append(jsonRow(row)); });
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

} // namespace

QString stateWord(CheckState state) {
    switch (state) {
    case CheckState::Available:
        return QStringLiteral("available");
    case CheckState::Unavailable:
        return QStringLiteral("unavailable");
    case CheckState::NotChecked:
        return QStringLiteral("not_checked");
    case CheckState::NotRegistrable:
        return QStringLiteral("not_registrable");
    case CheckState::Pending:
    case CheckState::AlreadyWritten:
        break;
    }
    return QStringLiteral("pending");
}

QString registryWord(RegistryAnswer answer) {
    switch (answer) {
    case RegistryAnswer::Found:
        return QStringLiteral("found");
    case RegistryAnswer::NotFound:
        return QStringLiteral("not-found");
    case RegistryAnswer::Unknown:
        return QStringLiteral("unknown");
    case RegistryAnswer::NotAsked:
        break;
    }
    return QStringLiteral("not-asked");
}

QString registrySourceWord(RegistrySource source) {
    switch (source) {
    case RegistrySource::Rdap:
        return QStringLiteral("rdap");
    case RegistrySource::Whois:
        return QStringLiteral("whois");
    case RegistrySource::None:
        break;
    }
    return {};
}

QString expiryText(const CheckItem& item) {
    return item.expires.isValid() ? item.expires.toString(Qt::ISODate) : QString();
}

std::optional<QStringList> csvLineFields(const QString& line) {
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted && c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
            fields.last() += u'"';
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
    if (quoted)
        return std::nullopt;
    return fields;
}

QString csvField(const QString& value) {
    // A spreadsheet runs a cell that starts like a formula; the apostrophe makes it text.
    constexpr QStringView kFormulaStarts = u"=+-@\t\r";
    const QString text =
        !value.isEmpty() && kFormulaStarts.contains(value.front()) ? u'\'' + value : value;
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString tabSeparatedCells(const CheckTable& table, std::vector<CheckTable::Cell> cells) {
    std::sort(cells.begin(), cells.end(), [](const CheckTable::Cell& a, const CheckTable::Cell& b) {
        return std::pair(a.c, a.r) < std::pair(b.c, b.r);
    });
    cells.erase(std::unique(cells.begin(), cells.end(),
                            [](const CheckTable::Cell& a, const CheckTable::Cell& b) {
                                return a.c == b.c && a.r == b.r;
                            }),
                cells.end());
    // A tab or line end inside a field would split it.
    const auto field = [](QString text) {
        return text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    };
    QString out = QStringLiteral("domain\tstate\treason\n");
    for (const CheckTable::Cell& cell : cells) {
        const CheckItem& item = table.at(cell.c, cell.r);
        out += field(item.domain) + u'\t' + stateWord(item.state) + u'\t' +
               field(reasonText(item)) + u'\n';
    }
    return out;
}

QString withResultsExtension(const QString& path, OutputFormat format) {
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ||
        path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive))
        return path;
    return path + (format == OutputFormat::Json ? QStringLiteral(".json") : QStringLiteral(".csv"));
}

QString csvHeader() {
    return QStringLiteral(
        "domain,name,suffix,state,registry_site,reason,ascii,registry,registry_status,"
        "registry_source,expires");
}

std::vector<ResultLine> resultLines(const RunResults& results, OutputFormat format,
                                    bool onlyAvailable) {
    std::vector<ResultLine> lines;
    const int nameCount = std::max(results.table.nameCount(), 1);
    const QStringList clipboard =
        format == OutputFormat::Text
            ? clipboardText(results.table, results.catalogue).split(QStringLiteral("\r\n"))
            : QStringList();
    forEachRow(results, onlyAvailable, [&](int index, const Row& row) {
        ResultLine line{index / nameCount + 1, index % nameCount + 1, {}};
        switch (format) {
        case OutputFormat::Text:
            line.text = clipboard.at(index);
            break;
        case OutputFormat::Csv:
            line.text = csvRow(row);
            break;
        case OutputFormat::Json:
            line.text =
                QString::fromUtf8(QJsonDocument(jsonRow(row)).toJson(QJsonDocument::Compact));
            break;
        }
        lines.push_back(std::move(line));
    });
    return lines;
}

QString formatResults(const RunResults& results, OutputFormat format, bool onlyAvailable) {
    switch (format) {
    case OutputFormat::Text:
        return textOutput(results, onlyAvailable);
    case OutputFormat::Csv:
        return csvOutput(results, onlyAvailable);
    case OutputFormat::Json:
        return jsonOutput(results, onlyAvailable);
    }
    return {};
}

} // namespace nomispot
