#include "zone/zone_index.h"

#include "app_dirs.h"
#include "files/file_access.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cstring>
#include <vector>
#include <xxhash.h>

namespace nomispot {

namespace {

constexpr char kMagic[8] = {'N', 'S', 'P', 'Z', 'O', 'N', 'E', '\n'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kHasWildcards = 1;
constexpr std::uint64_t kDelegated = 1;

// The index file: this header, then count sorted 64-bit values. Native byte order; the magic and
// version fail on any other.
struct IndexHeader {
    char magic[8];
    std::uint32_t version;
    std::uint32_t flags;
    std::uint64_t count;
    std::uint64_t sourceSize;
    std::int64_t sourceModifiedMs;
    std::uint64_t sourcePathHash;
    std::uint64_t skippedLines;
    std::uint64_t skippedIncludes;
    std::int64_t dateJulian;
    std::uint32_t dateFromSerial;
    std::uint32_t zoneLength;
    std::uint32_t pathLength;
    std::uint32_t problemsLength;
    std::uint64_t checksum; // XXH3 of the header (this field 0) and the values
    char zone[256];
    char path[2048];
    char problems[1536];
    char reserved[160];
};
static_assert(sizeof(IndexHeader) == 4096, "the values start on a page of their own");

std::uint64_t hashName(std::string_view name) {
    return XXH3_64bits(name.data(), name.size());
}

std::uint64_t hashBytes(const QByteArray& bytes) {
    return XXH3_64bits(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::uint64_t checksumOf(const IndexHeader& header, const std::uint64_t* values,
                         std::size_t count) {
    IndexHeader copy = header;
    copy.checksum = 0;
    XXH3_state_t* state = XXH3_createState();
    XXH3_64bits_reset(state);
    XXH3_64bits_update(state, &copy, sizeof copy);
    XXH3_64bits_update(state, values, count * sizeof(std::uint64_t));
    const std::uint64_t sum = XXH3_64bits_digest(state);
    XXH3_freeState(state);
    return sum;
}

template <std::size_t N> std::uint32_t putText(char (&field)[N], const QByteArray& text) {
    // Cut at a character's start, so that what is kept is still UTF-8.
    qsizetype length = std::min<qsizetype>(text.size(), N);
    while (length < text.size() && length > 0 && (text[length] & 0xc0) == 0x80)
        --length;
    std::memcpy(field, text.constData(), static_cast<std::size_t>(length));
    return static_cast<std::uint32_t>(length);
}

struct SourceStamp {
    qint64 size = 0;
    qint64 modifiedMs = 0;
};

SourceStamp stampOf(const QString& path) {
    const QFileInfo info(path);
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

// The date a serial in the usual YYYYMMDDnn form stands for.
std::optional<QDate> serialDate(std::uint32_t serial) {
    if (serial < 1970010100u)
        return std::nullopt;
    const int day = static_cast<int>(serial / 100);
    const QDate date(day / 10000, day / 100 % 100, day % 100);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// The sorted, unique values of the names, a delegated one keeping its mark.
void sortUnique(std::vector<std::uint64_t>& values) {
    std::sort(values.begin(), values.end());
    std::size_t out = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (out > 0 && (values[out - 1] >> 1) == (values[i] >> 1))
            values[out - 1] |= values[i]; // the same name, once delegated
        else
            values[out++] = values[i];
    }
    values.resize(out);
}

} // namespace

ZoneIndex::ZoneIndex(ZoneIndex&&) noexcept = default;
ZoneIndex& ZoneIndex::operator=(ZoneIndex&&) noexcept = default;
ZoneIndex::~ZoneIndex() = default;

Result<ZoneIndex> ZoneIndex::open(const QString& path) {
    const auto damaged = [&path](const QString& why) {
        return Failure{QStringLiteral("The zone index %1 is damaged: %2.")
                           .arg(QDir::toNativeSeparators(path), why)};
    };
    ZoneIndex index;
    index.m_file = std::make_unique<QFile>(path);
    if (!index.m_file->open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("Cannot read the zone index %1: %2")
                           .arg(QDir::toNativeSeparators(path), index.m_file->errorString())};
    const qint64 size = index.m_file->size();
    if (size < qint64(sizeof(IndexHeader)))
        return damaged(QStringLiteral("too short"));
    const uchar* bytes = index.m_file->map(0, size);
    if (!bytes)
        return Failure{QStringLiteral("Cannot map the zone index %1 into memory: %2")
                           .arg(QDir::toNativeSeparators(path), index.m_file->errorString())};
    IndexHeader header;
    std::memcpy(&header, bytes, sizeof header);
    if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.version != kVersion)
        return damaged(QStringLiteral("not an index of this version"));
    if (header.count > std::uint64_t(size) / 8 ||
        qint64(sizeof header + header.count * 8) != size || header.zoneLength > 256 ||
        header.pathLength > sizeof header.path || header.problemsLength > sizeof header.problems)
        return damaged(QStringLiteral("its size does not match"));
    index.m_hashes = reinterpret_cast<const std::uint64_t*>(bytes + sizeof header);
    index.m_count = static_cast<std::size_t>(header.count);
    if (checksumOf(header, index.m_hashes, index.m_count) != header.checksum)
        return damaged(QStringLiteral("its checksum does not match"));

    index.m_wildcards = header.flags & kHasWildcards;
    index.m_pathHash = header.sourcePathHash;
    index.m_zone.assign(header.zone, header.zoneLength);
    ZoneIndexFacts& f = index.m_facts;
    f.zonePath = QString::fromUtf8(header.path, header.pathLength);
    f.zone = QString::fromLatin1(header.zone, header.zoneLength);
    f.date = QDate::fromJulianDay(header.dateJulian);
    f.dateFromSerial = header.dateFromSerial != 0;
    f.names = static_cast<qint64>(header.count);
    f.skippedLines = static_cast<qint64>(header.skippedLines);
    f.skippedIncludes = static_cast<qint64>(header.skippedIncludes);
    if (header.problemsLength > 0)
        f.problems = QString::fromUtf8(header.problems, header.problemsLength).split(u'\n');
    f.sourceSize = static_cast<qint64>(header.sourceSize);
    f.sourceModifiedMs = header.sourceModifiedMs;
    return index;
}

bool ZoneIndex::covers(std::string_view name) const {
    if (name.size() == m_zone.size())
        return name == m_zone;
    return name.size() > m_zone.size() && name[name.size() - m_zone.size() - 1] == '.' &&
           name.substr(name.size() - m_zone.size()) == m_zone;
}

std::optional<bool> ZoneIndex::find(std::string_view name) const {
    const std::uint64_t key = hashName(name) & ~kDelegated;
    const std::uint64_t* end = m_hashes + m_count;
    const std::uint64_t* it = std::lower_bound(m_hashes, end, key);
    if (it == end || (*it >> 1) != (key >> 1))
        return std::nullopt;
    return (*it & kDelegated) != 0;
}

bool ZoneIndex::nameExists(std::string_view name) const {
    if (!covers(name))
        return false;
    if (name.size() == m_zone.size())
        return true; // the apex
    const std::string_view below = name.substr(0, name.size() - m_zone.size() - 1);
    // From the label under the apex down: a delegation refers every name below it on; a name
    // that does not exist has nothing below it.
    std::string_view closest = m_zone;
    for (std::size_t dot = below.rfind('.'); dot != std::string_view::npos;
         dot = dot == 0 ? std::string_view::npos : below.rfind('.', dot - 1)) {
        const std::string_view ancestor = name.substr(dot + 1);
        const std::optional<bool> delegated = find(ancestor);
        if (!delegated) {
            if (!m_wildcards)
                return false;
            return find(std::string("*.").append(closest)).has_value();
        }
        if (*delegated)
            return true;
        closest = ancestor;
    }
    if (find(name))
        return true;
    return m_wildcards && find(std::string("*.").append(closest)).has_value();
}

bool ZoneIndex::isCurrentFor(const QString& zonePath) const {
    const SourceStamp now = stampOf(zonePath);
    return hashBytes(QFileInfo(zonePath).absoluteFilePath().toUtf8()) == m_pathHash &&
           now.size == m_facts.sourceSize && now.modifiedMs == m_facts.sourceModifiedMs;
}

qint64 ZoneIndex::indexBytes() const {
    return qint64(sizeof(IndexHeader)) + qint64(m_count) * 8;
}

QString defaultZoneIndexDir() {
    const QString cache = userCacheDir();
    return cache.isEmpty() ? QString() : cache + QStringLiteral("/zone-index");
}

QString zoneIndexPath(const QString& indexDir, const QString& zonePath) {
    const QByteArray absolute = QFileInfo(zonePath).absoluteFilePath().toUtf8();
    return indexDir + QStringLiteral("/%1.index").arg(hashBytes(absolute), 16, 16, QChar(u'0'));
}

Result<ZoneIndex> loadZoneIndex(const QString& zonePath, const QString& indexDir,
                                const ZoneProgress& progress) {
    if (indexDir.isEmpty())
        return Failure{QStringLiteral("There is no cache folder to keep the index of the zone "
                                      "file %1 in.")
                           .arg(QDir::toNativeSeparators(zonePath))};
    if (const Result<Done, FileReadError> regular = checkRegularFile(zonePath); !regular)
        return regular.error().failure(QStringLiteral("the zone file"));
    const QString indexPath = zoneIndexPath(indexDir, zonePath);
    if (QFileInfo::exists(indexPath)) {
        Result<ZoneIndex> existing = ZoneIndex::open(indexPath);
        if (existing && existing->isCurrentFor(zonePath))
            return existing;
    }
    return buildZoneIndex(zonePath, indexPath, progress);
}

Result<ZoneIndex> buildZoneIndex(const QString& zonePath, const QString& indexPath,
                                 const ZoneProgress& progress) {
    const QString absolute = QFileInfo(zonePath).absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(absolute);
    const SourceStamp before = stampOf(absolute);

    std::vector<std::uint64_t> values;
    bool wildcards = false;
    std::size_t ownerSlot = 0;
    bool ownerSlotSet = false;
    const auto onRecord = [&](const ZoneRecord& r) {
        if (r.labelsBelowApex == 0) {
            ownerSlotSet = false;
            return;
        }
        const bool delegated = r.type == kTypeNs;
        if (r.sameOwner && ownerSlotSet) {
            if (delegated)
                values[ownerSlot] |= kDelegated;
            return;
        }
        values.push_back((hashName(r.owner) & ~kDelegated) | (delegated ? kDelegated : 0));
        ownerSlot = values.size() - 1;
        ownerSlotSet = true;
        if (r.owner.size() >= 2 && r.owner[0] == '*' && r.owner[1] == '.')
            wildcards = true;
        // Every name between it and the apex exists too.
        std::string_view ancestor = r.owner;
        for (int labels = r.labelsBelowApex; labels > 1; --labels) {
            ancestor.remove_prefix(ancestor.find('.') + 1);
            values.push_back(hashName(ancestor) & ~kDelegated);
        }
    };
    Result<ZoneFileRead> read = readZoneFile(absolute, onRecord, progress);
    if (!read)
        return read.error();
    const MasterFileFacts& facts = read->facts;
    if (facts.zone.empty())
        return Failure{QStringLiteral("The zone file %1 is of the root zone: it answers for no "
                                      "name under a top-level domain.")
                           .arg(shown)};
    const SourceStamp after = stampOf(absolute);
    if (after.size != before.size || after.modifiedMs != before.modifiedMs)
        return Failure{
            QStringLiteral("The zone file %1 changed while it was read; try again once it is "
                           "complete.")
                .arg(shown)};
    sortUnique(values);

    IndexHeader header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.version = kVersion;
    header.flags = wildcards ? kHasWildcards : 0;
    header.count = values.size();
    header.sourceSize = static_cast<std::uint64_t>(before.size);
    header.sourceModifiedMs = before.modifiedMs;
    header.sourcePathHash = hashBytes(absolute.toUtf8());
    header.skippedLines = static_cast<std::uint64_t>(facts.skippedLines);
    header.skippedIncludes = static_cast<std::uint64_t>(facts.skippedIncludes);
    const std::optional<QDate> fromSerial =
        facts.soaSerial ? serialDate(*facts.soaSerial) : std::nullopt;
    const QDate date = fromSerial
                           ? *fromSerial
                           : QDateTime::fromMSecsSinceEpoch(before.modifiedMs, Qt::UTC).date();
    header.dateJulian = date.toJulianDay();
    header.dateFromSerial = fromSerial ? 1 : 0;
    if (facts.zone.size() > sizeof header.zone)
        return Failure{QStringLiteral("The zone file %1 names a zone too long.").arg(shown)};
    header.zoneLength = putText(header.zone, QByteArray::fromStdString(facts.zone));
    header.pathLength = putText(header.path, absolute.toUtf8());
    header.problemsLength = putText(header.problems, facts.problems.join(u'\n').toUtf8());
    header.checksum = checksumOf(header, values.data(), values.size());

    const QString dir = QFileInfo(indexPath).absolutePath();
    if (!QDir().mkpath(dir))
        return Failure{QStringLiteral("Cannot make the folder %1 for the index of the zone file "
                                      "%2.")
                           .arg(QDir::toNativeSeparators(dir), shown)};
    QSaveFile out(indexPath);
    const qint64 dataBytes = qint64(values.size() * sizeof(std::uint64_t));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char*>(&header), sizeof header) != qint64(sizeof header) ||
        out.write(reinterpret_cast<const char*>(values.data()), dataBytes) != dataBytes ||
        !out.commit())
        return Failure{QStringLiteral("Cannot write the index of the zone file %1 to %2: %3")
                           .arg(shown, QDir::toNativeSeparators(indexPath), out.errorString())};
    return ZoneIndex::open(indexPath);
}

QString skippedLinesNotice(const ZoneIndexFacts& facts) {
    if (facts.skippedLines == 0)
        return {};
    QString notice =
        facts.skippedLines == 1
            ? QStringLiteral("1 line of the zone file %1 could not be read and was skipped")
                  .arg(QDir::toNativeSeparators(facts.zonePath))
            : QStringLiteral("%1 lines of the zone file %2 could not be read and were skipped")
                  .arg(facts.skippedLines)
                  .arg(QDir::toNativeSeparators(facts.zonePath));
    if (!facts.problems.isEmpty())
        notice += QStringLiteral(" (%1%2)").arg(
            facts.problems.join(QStringLiteral("; ")),
            facts.skippedLines > facts.problems.size() ? QStringLiteral("; …") : QString());
    return notice + u'.';
}

} // namespace nomispot
