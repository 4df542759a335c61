#include "names_input.h"

#include "names/name_parser.h"
#include "names/name_table.h"

#include <QFile>
#include <QStringDecoder>

namespace nomispot::cli {

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;

// Collects names from text given in pieces: separators and line ends become one blank each.
class NamesCollector {
public:
    enum class Step { More, Enough };

    // Starts a source: an argument, or a file read line by line.
    void beginSource(const QString& where, bool byLine) {
        m_where = where;
        m_byLine = byLine;
        m_line = 1;
    }

    // Takes the next piece of the source.
    Result<Step> take(QStringView piece) {
        for (const QChar c : piece) {
            if (m_pendingCr && c != u'\n')
                return illegal();
            m_pendingCr = false;
            if (c == u'\r') {
                m_pendingCr = true; // only as part of a line end
                continue;
            }
            if (c == u'\n') {
                endWord();
                ++m_line;
                continue;
            }
            if (!isAllowedNameCharacter(c))
                return illegal();
            if (c == u' ' || c == u';' || c == u',') {
                endWord();
                continue;
            }
            if (m_wordLength == 0 && ++m_words > NameTable::kSlots)
                return Step::Enough; // already more than a run takes: the plan refuses it
            if (++m_wordLength > kLongestNameRead)
                return Failure{QStringLiteral("A name in %1 is longer than any domain name can be.")
                                   .arg(location())};
            m_text += c;
        }
        return Step::More;
    }

    // Ends a source: its last line needs no line end.
    Result<Step> finishSource() {
        if (m_pendingCr)
            return illegal();
        endWord();
        return Step::More;
    }

    QString text() const { return m_text.trimmed(); }

private:
    QString location() const {
        return m_byLine ? QStringLiteral("line %1 of %2").arg(m_line).arg(m_where) : m_where;
    }
    Failure illegal() const {
        return Failure{illegalCharactersMessage() + QStringLiteral("\r(%1)").arg(location())};
    }
    void endWord() {
        if (m_wordLength > 0)
            m_text += u' ';
        m_wordLength = 0;
    }

    QString m_where;
    bool m_byLine = false;
    QString m_text;
    int m_words = 0;
    int m_wordLength = 0;
    int m_line = 1;
    bool m_pendingCr = false;
};

// Feeds device to collector in chunks; stops early when the collector has enough.
Result<NamesCollector::Step> readDevice(QIODevice& device, const QString& where,
                                        NamesCollector& collector) {
    collector.beginSource(where, true);
    QStringDecoder decoder(QStringDecoder::Utf8);
    QByteArray chunk;
    while (true) {
        chunk.resize(kChunkBytes);
        const qint64 got = device.read(chunk.data(), kChunkBytes);
        if (got < 0)
            return Failure{QStringLiteral("Cannot read %1: %2").arg(where, device.errorString())};
        if (got == 0)
            break;
        chunk.resize(got);
        const QString piece = decoder.decode(chunk);
        const Result<NamesCollector::Step> step = collector.take(piece);
        if (!step || *step == NamesCollector::Step::Enough)
            return step;
    }
    return collector.finishSource();
}

} // namespace

Result<QString> readNamesText(const CliOptions& options, std::FILE* input) {
    NamesCollector collector;
    for (qsizetype i = 0; i < options.names.size(); ++i) {
        collector.beginSource(QStringLiteral("argument %1").arg(i + 1), false);
        Result<NamesCollector::Step> step = collector.take(options.names[i]);
        if (step && *step == NamesCollector::Step::More)
            step = collector.finishSource();
        if (!step)
            return step.error();
        if (*step == NamesCollector::Step::Enough)
            return collector.text();
    }

    Result<NamesCollector::Step> step = NamesCollector::Step::More;
    if (!options.namesFile.isEmpty()) {
        QFile file(options.namesFile);
        if (!file.open(QIODevice::ReadOnly))
            return Failure{
                QStringLiteral("Cannot read %1: %2").arg(options.namesFile, file.errorString())};
        step = readDevice(file, options.namesFile, collector);
    } else if (options.names.isEmpty()) {
        QFile in;
        if (!in.open(input, QIODevice::ReadOnly))
            return Failure{QStringLiteral("Cannot read standard input: %1").arg(in.errorString())};
        step = readDevice(in, QStringLiteral("standard input"), collector);
    }
    if (!step)
        return step.error();
    return collector.text();
}

} // namespace nomispot::cli
