#pragma once

#include "result.h"

#include <QByteArray>
#include <QString>

namespace nomispot {

// Why a file was not read: the reason in words, and whether nothing is there at all.
struct FileReadError {
    QString path;
    QString reason; // "No such file or directory", "it is a pipe, not a file", ...
    bool missing = false;

    // "Cannot read <what> <path>: <reason>", e.g. what = "the registry list".
    Failure failure(const QString& what) const;
};

// Checks that path (after symbolic links) is a regular file that can be opened for reading. A
// folder, pipe, socket or device is refused before it is opened, so nothing blocks.
Result<Done, FileReadError> checkRegularFile(const QString& path);

// The whole of the regular file at path, refused when it holds more than maxBytes: a file named
// by the user or the environment may be anything, and is never read without end.
Result<QByteArray, FileReadError> readRegularFile(const QString& path, qint64 maxBytes);

// Writes bytes as the whole new content of path, through a temporary file that replaces it only
// once every byte is on the disk. On failure the file that was there stays as it was and no new
// file is left behind; the Failure names the file and the system's reason.
Status writeFileWhole(const QString& path, const QByteArray& bytes);

} // namespace nomispot
