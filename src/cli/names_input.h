#pragma once

#include "cli_options.h"
#include "result.h"

#include <QString>
#include <cstdio>

namespace nomispot::cli {

// A name this long is no domain name (those end at 253); reading stops rather than keep it.
inline constexpr int kLongestNameRead = 1024;

// The names of a run as one typed text, lines joined with blanks ("\r\n" ends a line too): the
// arguments, then the lines of --file; with neither, the lines of input. Read as a stream that
// stops once the text holds more names than a run can take, at the first illegal character (its
// line named) or at a name too long to be one, so memory stays bounded whatever the input.
Result<QString> readNamesText(const CliOptions& options, std::FILE* input);

} // namespace nomispot::cli
