#include "names/names_reader.h"

#include "files/file_access.h"
#include "names/name_parser.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

namespace nomispot {

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;

} // namespace

void NamesReader::beginSource(const QString& where, bool byLine) {
    m_where = where;
    m_byLine = byLine;
    m_line = 1;
    m_pendingCr = false;
}

Result<NamesReader::Step> NamesReader::take(QStringView piece) {
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
        if (m_word.isEmpty() && ++m_names > m_nameLimit && m_nameLimit >= 0)
            return Step::Enough; // already more than the caller takes
        if (m_word.size() >= kLongestNameRead)
            return Failure{QStringLiteral("A name in %1 is longer than any domain name can be.")
                               .arg(location())};
        m_word += c;
    }
    return Step::More;
}

Result<NamesReader::Step> NamesReader::finishSource() {
    if (m_pendingCr)
        return illegal();
    endWord();
    return Step::More;
}

QString NamesReader::takeText() {
    QString text = std::move(m_text);
    m_text.clear();
    if (text.endsWith(u' '))
        text.chop(1);
    return text;
}

QString NamesReader::location() const {
    return m_byLine ? QStringLiteral("line %1 of %2").arg(m_line).arg(m_where) : m_where;
}

Failure NamesReader::illegal() const {
    return Failure{illegalCharactersMessage() + QStringLiteral("\r(%1)").arg(location())};
}

Failure NamesReader::notUtf8() const {
    return Failure{QStringLiteral("%1 is not UTF-8 text (%2).\rSave it as UTF-8 and try again.")
                       .arg(m_where, location())};
}

void NamesReader::endWord() {
    if (m_word.isEmpty())
        return;
    m_text += m_word;
    m_text += u' ';
    m_word.clear();
}

Result<NamesReader::Step> readNamesFrom(QIODevice& device, const QString& where,
                                        NamesReader& reader,
                                        const std::function<bool(NamesReader&)>& afterChunk) {
    reader.beginSource(where, true);
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
        QString piece = decoder.decode(chunk);
        // A byte sequence that is no UTF-8 decodes as U+FFFD: the names before it are read, so
        // that the message names its line.
        const bool broken = decoder.hasError();
        if (broken)
            piece.truncate(std::max<qsizetype>(piece.indexOf(QChar::ReplacementCharacter), 0));
        const Result<NamesReader::Step> step = reader.take(piece);
        if (!step || *step == NamesReader::Step::Enough)
            return step;
        if (broken)
            return reader.notUtf8();
        if (afterChunk && !afterChunk(reader))
            return NamesReader::Step::Enough;
    }
    // A sequence cut short by the end: a line end after it cannot complete it.
    const QString tail = decoder.decode(QByteArrayView("\n", 1));
    if (decoder.hasError() || tail != u"\n")
        return reader.notUtf8();
    return reader.finishSource();
}

Result<QString> readNamesFile(const QString& path, qint64 maxBytes) {
    const QString shown = QDir::toNativeSeparators(path);
    if (const auto regular = checkRegularFile(path); !regular)
        return regular.error().failure(QStringLiteral("the names file"));
    if (QFileInfo(path).size() > maxBytes)
        return Failure{QStringLiteral("%1 is larger than %2, more than the names box takes.\r"
                                      "nomispot-check reads lists of any length: "
                                      "nomispot-check --file %1")
                           .arg(shown, QLocale::c().formattedDataSize(maxBytes, 0))};
    Result<QByteArray, FileReadError> bytes = readRegularFile(path, maxBytes);
    if (!bytes)
        return bytes.error().failure(QStringLiteral("the names file"));
    QBuffer buffer(&*bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("Cannot read the names file %1").arg(shown)};
    NamesReader reader;
    const Result<NamesReader::Step> step = readNamesFrom(buffer, shown, reader);
    if (!step)
        return step.error();
    return reader.takeText();
}

} // namespace nomispot
