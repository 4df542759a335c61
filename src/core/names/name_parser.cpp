#include "names/name_parser.h"

#include "names/idna.h"

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

bool isAllowedNameCharacter(QChar c) {
    if (c.unicode() < 0x80)
        return kAllowed.contains(c);
    if (isFullStop(c))
        return true;
    // Zero-width (non-)joiners are allowed only where the joiner rules of UTS #46 say; the
    // invisible characters it maps to nothing (soft hyphen, zero-width space, word joiner,
    // byte order mark...) are removed by it.
    switch (c.unicode()) {
    case 0x00AD:
    case 0x180F:
    case 0x200B:
    case 0x200C:
    case 0x200D:
    case 0x2060:
    case 0x2064:
    case 0xFEFF:
        return true;
    default:
        break;
    }
    return c.isLetterOrNumber() || c.isMark() || c.isSurrogate();
}

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

Result<NameTable, NameRefusal> parseNames(const QString& typed, CheckMode mode) {
    // Full stops of other scripts separate labels as '.' does (UTS #46).
    const QString text = withAsciiFullStops(typed);
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!isAllowedNameCharacter(text.at(i)))
            return NameRefusal{NameRefusal::Illegal, static_cast<int>(i)};
    if (text.trimmed().isEmpty())
        return NameRefusal{NameRefusal::Blank};

    const QString normalised = normaliseNames(text);
    const QStringList words = splitNames(normalised);
    const bool complete = normalised.contains(u'.');
    const qsizetype n = words.size();
    const qsizetype needed = (!complete && mode == CheckMode::Combinations) ? n * n : n;
    if (needed > NameTable::kSlots)
        return NameRefusal{NameRefusal::TooManyNames, -1,
                           static_cast<int>(std::min<qsizetype>(needed, INT_MAX)), !complete};

    NameTable table;
    table.NamesNeedSuffix = !complete;
    if (complete || mode == CheckMode::Separately) {
        table.Names = words;
    } else {
        table.Names.reserve(needed);
        for (qsizetype i = 0; i < n; ++i)
            for (qsizetype j = 0; j < n; ++j)
                table.Names << (i == j ? words[i] : words[i] + words[j]);
    }
    // Every label must be one a domain can have: refused here, with the label and why named. A
    // label that breaks only a hyphen rule stays: its candidates end not registrable.
    for (const QString& name : table.Names)
        if (const Result<QString> ascii = toAsciiName(name, HyphenLabels::Keep); !ascii) {
            return NameRefusal{NameRefusal::Illegal, -1, 0, true, ascii.error().message};
        }
    return table;
}

} // namespace nomispot
