#pragma once

#include "names/name_table.h"

#include <QString>
#include <QStringList>

namespace nomispot {

enum class CheckMode { Separately, Combinations };

// Message shown when typed text holds a character that is not allowed.
inline constexpr auto kIllegalCharsTitleSuffix = " - Illegal characters used";
QString illegalCharactersMessage();

struct ParseOutcome {
    enum Kind {
        Ok,           // the table holds the run's names
        Illegal,      // a character outside the allowed set; nothing else changed
        Blank,        // nothing but blanks; stop silently
        TooManyNames, // would need more slots than the table has; nothing was written
    };
    Kind kind = Ok;
    int illegalPosition = -1; // index of the first illegal character
    int neededSlots = 0;      // slots the text needs (also set for TooManyNames)
};

// True for letters, digits, '-' and the separators blank ; , .
bool isAllowedNameCharacter(QChar c);

// Separators to blanks, trimmed, runs of blanks collapsed to one.
QString normaliseNames(const QString& text);

// Splits normalised text into its words (no empty words).
QStringList splitNames(const QString& normalised);

// Validates, normalises and splits text, then fills the table for mode.
// NameCount is 0 unless the outcome is Ok.
ParseOutcome parseNames(const QString& text, CheckMode mode, NameTable& table);

} // namespace nomispot
