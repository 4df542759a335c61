#pragma once

#include "result.h"
#include "zone/master_file_parser.h"

#include <QString>
#include <functional>

namespace nomispot {

// Bytes of the file read so far and its size; returning false stops the reading.
using ZoneProgress = std::function<bool(qint64 done, qint64 total)>;

struct ZoneFileRead {
    MasterFileFacts facts;
    bool compressed = false;
    qint64 fileBytes = 0; // as stored
    qint64 textBytes = 0; // after decompression
};

// Streams the master file at path (see MasterFileParser), plain text or gzip (told by its first
// bytes; several gzip members follow each other), handing every record to onRecord. Fails with a
// message naming the file when it cannot be read, when its compressed data is damaged or cut
// short, when it names no zone, or when progress says stop.
Result<ZoneFileRead> readZoneFile(const QString& path,
                                  const std::function<void(const ZoneRecord&)>& onRecord,
                                  const ZoneProgress& progress = {});

} // namespace nomispot
