#pragma once

#include "cli_options.h"
#include "result.h"

#include <QString>
#include <cstdio>

namespace nomispot::cli {

// The lines of a text joined with blanks, as if typed on one line; "\r\n" ends a line too.
QString joinLines(const QByteArray& bytes);

// The names of a run as one typed text: the arguments, then the lines of --file; with neither,
// the lines of input.
Result<QString> readNamesText(const CliOptions& options, std::FILE* input);

} // namespace nomispot::cli
