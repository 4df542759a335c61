#pragma once

#include "result.h"
#include "zone/zone_file_reader.h"

#include <QDate>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nomispot {

// What an index knows of the zone file it was built from.
struct ZoneIndexFacts {
    QString zonePath; // the zone file, absolute
    QString zone;     // its apex, lower case, no final dot: "com", "co.uk"
    QDate date;       // the date of its SOA serial (YYYYMMDDnn), else its file's day
    bool dateFromSerial = false;
    qint64 names = 0;        // names that exist below the apex
    qint64 skippedLines = 0; // lines that could not be read, $INCLUDE lines among them
    qint64 skippedIncludes = 0;
    QStringList problems; // the first few of them, "line 12: unknown record type "BOGUS""
    qint64 sourceSize = 0;
    qint64 sourceModifiedMs = 0;
};

// The names a zone file says exist below its apex, as sorted 64-bit XXH3 hashes of their lower
// case text (no final dot) in a file that is mapped into memory. A name exists when it owns
// records or has names below it; the lowest bit of a hash tells that the name is delegated (it
// owns NS records), so names below a delegation exist too, as the zone's server refers them on.
class ZoneIndex {
public:
    ZoneIndex(ZoneIndex&&) noexcept;
    ZoneIndex& operator=(ZoneIndex&&) noexcept;
    ~ZoneIndex();

    // The index file at path; fails when it is not one, or is damaged.
    static Result<ZoneIndex> open(const QString& path);

    const ZoneIndexFacts& facts() const { return m_facts; }
    std::string_view zone() const { return m_zone; }
    // True for a name at or below the zone's apex (lower case ASCII, no final dot).
    bool covers(std::string_view name) const;
    // What the zone's nameserver would answer for a name it covers: true for NOERROR (the name
    // owns records, has names below it, lies at or below a delegation, or a wildcard matches
    // it), false for NXDOMAIN.
    bool nameExists(std::string_view name) const;
    // The index file is the one of this zone file as it is now (path, size, modification time).
    bool isCurrentFor(const QString& zonePath) const;
    qint64 indexBytes() const;

private:
    ZoneIndex() = default;
    // nullopt when the name is not in the index, else whether it is delegated.
    std::optional<bool> find(std::string_view name) const;

    std::unique_ptr<QFile> m_file;
    const std::uint64_t* m_hashes = nullptr;
    std::size_t m_count = 0;
    bool m_wildcards = false;
    std::uint64_t m_pathHash = 0;
    std::string m_zone;
    ZoneIndexFacts m_facts;
};

// The folder of the indexes: zone-index in the user's cache folder; empty when there is none.
QString defaultZoneIndexDir();

// Where the index of the zone file at zonePath lives in indexDir: one file per zone file path.
QString zoneIndexPath(const QString& indexDir, const QString& zonePath);

// The index of the zone file at zonePath: the one in indexDir when it is current and sound, else
// built afresh (progress reports the bytes of the zone file read, and stops the build when it
// returns false). A build that fails or is stopped leaves the index that was there as it was.
Result<ZoneIndex> loadZoneIndex(const QString& zonePath, const QString& indexDir,
                                const ZoneProgress& progress = {});

// Builds the index of the zone file at zonePath into indexPath, through a temporary file.
Result<ZoneIndex> buildZoneIndex(const QString& zonePath, const QString& indexPath,
                                 const ZoneProgress& progress = {});

// "3 lines of the zone file /z/com.zone could not be read and were skipped (line 12: ...)."; empty
// when every line was read.
QString skippedLinesNotice(const ZoneIndexFacts& facts);

} // namespace nomispot
