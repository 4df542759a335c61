#pragma once

#include "zone/zone_answers.h"
#include "zone/zone_index.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace nomispot {

// The zone files of a run, loaded together.
struct ZoneFilesLoaded {
    ZoneIndexSet zones;
    QStringList failures; // one for each file that cannot be used, naming it
    QStringList notices;  // lines skipped in the indexes built now (skippedLinesNotice)
    bool cancelled = false;
};

// While an index is built: which of the files (0-based), and its bytes read so far of its size.
// Returning false stops the build and the loading of the files after it.
using ZoneFilesProgress = std::function<bool(int file, qint64 done, qint64 total)>;

// The index of every file in indexDir, built where there is none that is current. A file that
// fails is left out, its failure kept; a cancelled build leaves it and the files after it out.
ZoneFilesLoaded loadZoneFiles(const QStringList& files, const QString& indexDir,
                              const ZoneFilesProgress& progress = {});

// What the list of zone files says of one: its zone, date and names once it is indexed
// ("com, 2024-07-15: 1,234 names"), else why it is not yet or cannot be used.
QString zoneFileStatus(const QString& zonePath, const QString& indexDir);

// The message a run gives when zone files cannot be used or had lines skipped; empty when
// everything was read.
QString zoneFilesMessage(const ZoneFilesLoaded& loaded);

} // namespace nomispot
