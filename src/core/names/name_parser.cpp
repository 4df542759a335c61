#include "names/name_parser.h"

#include <algorithm>
#include <climits>

namespace nomispot {

namespace {
const QString kAllowed =
    QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890- ;,.");
}

QString illegalCharactersMessage() {
    return QStringLiteral("Illegal characters encountered\rOnly characters allowed are letters, "
                          "numbers and -");
}

bool isAllowedNameCharacter(QChar c) { return kAllowed.contains(c); }

QString normaliseNames(const QString& text) {
    QString s = text;
    s.replace(u';', u' ');
    s.replace(u',', u' ');
    s = s.trimmed();
    // Only blanks can remain as whitespace here: validation refused every other one.
    qsizetype before;
    do {
        before = s.size();
        s.replace(QStringLiteral("  "), QStringLiteral(" "));
    } while (s.size() != before);
    return s;
}

QStringList splitNames(const QString& normalised) {
    return normalised.split(u' ', Qt::SkipEmptyParts);
}

ParseOutcome parseNames(const QString& text, CheckMode mode, NameTable& table) {
    table.NameCount = 0;
    ParseOutcome out;

    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isAllowedNameCharacter(text.at(i))) {
            out.kind = ParseOutcome::Illegal;
            out.illegalPosition = static_cast<int>(i);
            return out;
        }
    }
    if (text.trimmed().isEmpty()) {
        out.kind = ParseOutcome::Blank;
        return out;
    }

    const QString normalised = normaliseNames(text);
    const QStringList words = splitNames(normalised);
    const bool complete = normalised.contains(u'.');
    const qsizetype n = words.size();
    const qsizetype needed = (!complete && mode == CheckMode::Combinations) ? n * n : n;

    out.neededSlots = static_cast<int>(std::min<qsizetype>(needed, INT_MAX));
    if (needed > NameTable::kSlots) {
        out.kind = ParseOutcome::TooManyNames;
        return out;
    }

    table.NamesNeedSuffix = !complete;
    int k = 0;
    if (complete || mode == CheckMode::Separately) {
        for (const QString& w : words)
            table.Names[k++] = w;
    } else {
        for (qsizetype i = 0; i < n; ++i)
            for (qsizetype j = 0; j < n; ++j)
                table.Names[k++] = i == j ? words[i] : words[i] + words[j];
    }
    table.NameCount = static_cast<std::int16_t>(k);
    return out;
}

} // namespace nomispot
