#pragma once

#include "cli_options.h"

#include <QString>
#include <cstdio>

namespace nomispot::cli {

struct NamesInput {
    QString text;  // the names as one typed text
    QString error; // why they could not be read; empty on success
};

// The lines of a text joined with blanks, as if typed on one line; "\r\n" ends a line too.
QString joinLines(const QByteArray& bytes);

// The names of a run: the arguments, then the lines of --file; with neither, the lines of input.
NamesInput readNamesText(const CliOptions& options, std::FILE* input);

} // namespace nomispot::cli
