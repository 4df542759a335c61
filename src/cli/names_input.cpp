#include "names_input.h"

#include <QFileInfo>

namespace nomispot::cli {

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;

// Feeds the arguments to reader, one source each.
Status readArguments(const QStringList& names, NamesReader& reader) {
    for (qsizetype i = 0; i < names.size(); ++i) {
        reader.beginSource(QStringLiteral("argument %1").arg(i + 1), false);
        if (Result<NamesReader::Step> step = reader.take(names[i]); !step)
            return step.error();
        if (Result<NamesReader::Step> step = reader.finishSource(); !step)
            return step.error();
    }
    return Done{};
}

} // namespace

NamesStream::NamesStream(const CliOptions& options, std::FILE* input)
    : m_options(options), m_input(input) {}

Status NamesStream::open() {
    m_opened = true;
    if (Status arguments = readArguments(m_options.names, m_reader); !arguments)
        return arguments;
    queueText();
    if (!m_options.namesFile.isEmpty()) {
        m_where = m_options.namesFile;
        m_device.setFileName(m_options.namesFile);
        if (!m_device.open(QIODevice::ReadOnly))
            return Failure{QStringLiteral("Cannot read %1: %2")
                               .arg(m_options.namesFile, m_device.errorString())};
    } else if (m_options.names.isEmpty()) {
        m_where = QStringLiteral("standard input");
        if (!m_device.open(m_input, QIODevice::ReadOnly))
            return Failure{
                QStringLiteral("Cannot read standard input: %1").arg(m_device.errorString())};
    } else {
        m_ended = true; // the arguments alone
        return Done{};
    }
    m_reader.beginSource(m_where, true);
    m_decoder.emplace(QStringDecoder::Utf8);
    return Done{};
}

void NamesStream::queueText() {
    const QString text = m_reader.takeText();
    if (text.isEmpty())
        return;
    for (const QStringView name : QStringView(text).split(u' ', Qt::SkipEmptyParts))
        m_queue.emplace_back(name.toString());
}

Result<bool> NamesStream::readChunk() {
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    const qint64 got = m_device.read(chunk.data(), kChunkBytes);
    if (got < 0)
        return Failure{QStringLiteral("Cannot read %1: %2").arg(m_where, m_device.errorString())};
    if (got == 0) {
        m_ended = true;
        // A sequence cut short by the end: a line end after it cannot complete it.
        const QString tail = m_decoder->decode(QByteArrayView("\n", 1));
        if (m_decoder->hasError() || tail != u"\n")
            return m_reader.notUtf8();
        if (Result<NamesReader::Step> step = m_reader.finishSource(); !step)
            return step.error();
        queueText();
        return false;
    }
    chunk.resize(got);
    QString piece = m_decoder->decode(chunk);
    // Bytes that are no UTF-8 decode as U+FFFD: the names before them are read, so that the
    // message names their line.
    const bool broken = m_decoder->hasError();
    if (broken)
        piece.truncate(std::max<qsizetype>(piece.indexOf(QChar::ReplacementCharacter), 0));
    if (Result<NamesReader::Step> step = m_reader.take(piece); !step)
        return step.error();
    if (broken)
        return m_reader.notUtf8();
    queueText();
    return true;
}

Result<QStringList> NamesStream::next(qint64 count) {
    if (!m_opened)
        if (Status opened = open(); !opened)
            return opened.error();
    while (static_cast<qint64>(m_queue.size()) < count && !m_ended) {
        const Result<bool> more = readChunk();
        if (!more)
            return more.error();
    }
    QStringList names;
    while (!m_queue.empty() && names.size() < count) {
        names << std::move(m_queue.front());
        m_queue.pop_front();
    }
    return names;
}

Result<std::optional<qint64>> countNames(const CliOptions& options) {
    if (options.namesFile.isEmpty() && options.names.isEmpty())
        return std::optional<qint64>();
    if (!options.namesFile.isEmpty() && !QFileInfo(options.namesFile).isFile())
        return std::optional<qint64>();
    NamesReader reader;
    if (Status arguments = readArguments(options.names, reader); !arguments)
        return arguments.error();
    if (!options.namesFile.isEmpty()) {
        QFile file(options.namesFile);
        if (!file.open(QIODevice::ReadOnly))
            return Failure{
                QStringLiteral("Cannot read %1: %2").arg(options.namesFile, file.errorString())};
        // Only the count is kept: the text is dropped chunk by chunk.
        const Result<NamesReader::Step> step =
            readNamesFrom(file, options.namesFile, reader, [](NamesReader& r) {
                (void)r.takeText();
                return true;
            });
        if (!step)
            return step.error();
    }
    return std::optional<qint64>(reader.nameCount());
}

} // namespace nomispot::cli
