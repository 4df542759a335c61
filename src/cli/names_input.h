#pragma once

#include "cli_options.h"
#include "names/names_reader.h"
#include "result.h"

#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <cstdio>
#include <deque>
#include <optional>

namespace nomispot::cli {

// The names of a list handed out a slice at a time, read as they are needed: the arguments, then
// the lines of --file; with neither, the lines of standard input. At most one chunk of input is
// held beyond the slice asked for, so memory stays bounded whatever the list's length.
class NamesStream {
public:
    NamesStream(const CliOptions& options, std::FILE* input);

    // The next count names or, at the end, those left (none once everything was read). Fails with
    // the reader's message at a character no name may hold (its line named), a name too long to
    // be one, or bytes that are no UTF-8.
    Result<QStringList> next(qint64 count);

private:
    Status open();
    // Reads one more chunk into the queue; false at the end.
    Result<bool> readChunk();
    void queueText();

    CliOptions m_options;
    std::FILE* m_input;
    NamesReader m_reader;
    QFile m_device;
    QString m_where;
    std::optional<QStringDecoder> m_decoder;
    std::deque<QString> m_queue;
    bool m_opened = false;
    bool m_ended = false;
};

// How many names a list holds, counted in a first pass where that is cheap: the arguments and a
// --file that is a regular file. Nothing for standard input or a pipe, which can be read once
// only. The reader's refusals come here already, before anything is sent.
Result<std::optional<qint64>> countNames(const CliOptions& options);

} // namespace nomispot::cli
