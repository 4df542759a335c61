#pragma once

#include "names/name_table.h"
#include "result.h"

#include <QString>
#include <QStringList>

namespace nomispot {

enum class CheckMode { Separately, Combinations };

// Message shown when typed text holds a character that is not allowed.
inline constexpr auto kIllegalCharsTitleSuffix = " - Illegal characters used";
QString illegalCharactersMessage();

// Why typed text gives no names.
struct NameRefusal {
    enum Reason {
        Illegal,      // a character outside the allowed set
        Blank,        // nothing but blanks; stop silently
        TooManyNames, // more names than a run takes
    };
    Reason reason = Blank;
    int illegalPosition = -1;    // index of the first illegal character
    int neededSlots = 0;         // names the text makes (set for TooManyNames)
    bool namesNeedSuffix = true; // whether those names are words rather than complete domains
    QString detail = {};         // which name part cannot be a domain label and why, for Illegal
};

// True for letters and digits of any script, '-', the separators blank ; , . (and the full stops
// of other scripts, read as '.') and what else a label in another script may hold (marks,
// joiners); whether a label can be a domain label is decided per name (labelProblem, UTS #46).
bool isAllowedNameCharacter(QChar c);

// Separators to blanks, trimmed, runs of blanks collapsed to one.
QString normaliseNames(const QString& text);

// Splits normalised text into its words (no empty words).
QStringList splitNames(const QString& normalised);

// Validates, normalises and splits text into the names of a run in mode; the full stops of
// other scripts become '.'.
Result<NameTable, NameRefusal> parseNames(const QString& text, CheckMode mode);

} // namespace nomispot
