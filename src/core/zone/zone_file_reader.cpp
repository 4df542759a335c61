#include "zone/zone_file_reader.h"

#include "files/file_access.h"

#include <QDir>
#include <QFile>
#include <memory>
#include <vector>
#include <zlib.h>

namespace nomispot {

namespace {

constexpr qint64 kInChunk = 1 << 20;
constexpr unsigned kOutChunk = 4u << 20;

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// An inflate stream, ended by its owner.
class Inflater {
public:
    Inflater() { m_ok = inflateInit2(&m_stream, 15 + 16) == Z_OK; } // gzip members only
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    ~Inflater() {
        if (m_ok)
            inflateEnd(&m_stream);
    }
    bool ok() const { return m_ok; }
    z_stream& stream() { return m_stream; }

private:
    z_stream m_stream{};
    bool m_ok = false;
};

class Reading {
public:
    Reading(const QString& path, MasterFileParser& parser, const ZoneProgress& progress)
        : m_path(path), m_parser(parser), m_progress(progress), m_in(kInChunk) {}

    Status run(ZoneFileRead& read);

private:
    // The next piece of the file into m_in; 0 at its end.
    Result<qint64> fill();
    Status plain(qint64 first);
    Status gzip(qint64 first);
    Status onlyZerosLeft(const unsigned char* rest, qint64 count);

    const QString& m_path;
    MasterFileParser& m_parser;
    const ZoneProgress& m_progress;
    QFile m_file;
    qint64 m_size = 0;
    qint64 m_done = 0;
    qint64 m_text = 0;
    std::vector<unsigned char> m_in;
};

Result<qint64> Reading::fill() {
    if (m_progress && !m_progress(m_done, m_size))
        return Failure{
            QStringLiteral("Reading the zone file %1 was cancelled.").arg(shownPath(m_path))};
    const qint64 got = m_file.read(reinterpret_cast<char*>(m_in.data()), kInChunk);
    if (got < 0)
        return Failure{QStringLiteral("Cannot read the zone file %1: %2")
                           .arg(shownPath(m_path), m_file.errorString())};
    m_done += got;
    return got;
}

Status Reading::run(ZoneFileRead& read) {
    if (const Result<Done, FileReadError> regular = checkRegularFile(m_path); !regular)
        return regular.error().failure(QStringLiteral("the zone file"));
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Failure{QStringLiteral("Cannot read the zone file %1: %2")
                           .arg(shownPath(m_path), m_file.errorString())};
    m_size = m_file.size();
    const Result<qint64> first = fill();
    if (!first)
        return first.error();
    read.compressed = *first >= 2 && m_in[0] == 0x1f && m_in[1] == 0x8b;
    const Status status = read.compressed ? gzip(*first) : plain(*first);
    if (!status)
        return status;
    m_parser.finish();
    if (m_progress && !m_progress(m_done, m_size))
        return Failure{
            QStringLiteral("Reading the zone file %1 was cancelled.").arg(shownPath(m_path))};
    read.fileBytes = m_done;
    read.textBytes = m_text;
    return Done{};
}

Status Reading::plain(qint64 first) {
    for (qint64 got = first; got > 0;) {
        m_parser.feed(std::string_view(reinterpret_cast<const char*>(m_in.data()),
                                       static_cast<std::size_t>(got)));
        m_text += got;
        const Result<qint64> next = fill();
        if (!next)
            return next.error();
        got = *next;
    }
    return Done{};
}

Status Reading::gzip(qint64 first) {
    Inflater inflater;
    if (!inflater.ok())
        return Failure{
            QStringLiteral("Cannot read the zone file %1: out of memory.").arg(shownPath(m_path))};
    z_stream& z = inflater.stream();
    std::vector<unsigned char> out(kOutChunk);
    z.next_in = m_in.data();
    z.avail_in = static_cast<uInt>(first);
    bool inMember = true;
    for (;;) {
        if (z.avail_in == 0) {
            const Result<qint64> got = fill();
            if (!got)
                return got.error();
            if (*got == 0) {
                if (inMember)
                    return Failure{
                        QStringLiteral("The zone file %1 is cut short: its compressed data ends "
                                       "before its last part does (an incomplete download?). "
                                       "Nothing from it was used.")
                            .arg(shownPath(m_path))};
                return Done{};
            }
            z.next_in = m_in.data();
            z.avail_in = static_cast<uInt>(*got);
        }
        if (!inMember) {
            // Another gzip member follows, or padding of zeros; anything else is damage.
            if (z.next_in[0] != 0x1f)
                return onlyZerosLeft(z.next_in, z.avail_in);
            if (inflateReset(&z) != Z_OK)
                return Failure{
                    QStringLiteral("The zone file %1 is damaged.").arg(shownPath(m_path))};
            inMember = true;
        }
        z.next_out = out.data();
        z.avail_out = kOutChunk;
        const int status = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = kOutChunk - z.avail_out;
        if (produced > 0) {
            m_parser.feed(std::string_view(reinterpret_cast<const char*>(out.data()), produced));
            m_text += static_cast<qint64>(produced);
        }
        if (status == Z_STREAM_END) {
            inMember = false;
        } else if (status == Z_BUF_ERROR && z.avail_in == 0) {
            continue; // needs more input
        } else if (status != Z_OK) {
            return Failure{
                QStringLiteral("The zone file %1 is damaged: its compressed data "
                               "cannot be read (%2). Nothing from it was used.")
                    .arg(shownPath(m_path), QString::fromLatin1(z.msg ? z.msg : "unknown error"))};
        }
    }
}

Status Reading::onlyZerosLeft(const unsigned char* rest, qint64 count) {
    const auto damaged = [this] {
        return Failure{QStringLiteral("The zone file %1 is damaged: something other than "
                                      "compressed data follows its compressed data. Nothing "
                                      "from it was used.")
                           .arg(shownPath(m_path))};
    };
    for (;;) {
        for (qint64 i = 0; i < count; ++i)
            if (rest[i] != 0)
                return damaged();
        const Result<qint64> got = fill();
        if (!got)
            return got.error();
        if (*got == 0)
            return Done{};
        rest = m_in.data();
        count = *got;
    }
}

} // namespace

Result<ZoneFileRead> readZoneFile(const QString& path,
                                  const std::function<void(const ZoneRecord&)>& onRecord,
                                  const ZoneProgress& progress) {
    MasterFileParser parser(onRecord);
    ZoneFileRead read;
    Reading reading(path, parser, progress);
    if (const Status status = reading.run(read); !status)
        return status.error();
    read.facts = parser.facts();
    if (!read.facts.zoneKnown) {
        QString message = QStringLiteral("The zone file %1 names no zone: it has no $ORIGIN and "
                                         "does not begin with an SOA record.")
                              .arg(shownPath(path));
        if (!read.facts.problems.isEmpty())
            message += u' ' + QStringLiteral("Lines not read: %1.")
                                  .arg(read.facts.problems.join(QStringLiteral("; ")));
        return Failure{message};
    }
    return read;
}

} // namespace nomispot
