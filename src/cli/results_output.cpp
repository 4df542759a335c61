#include "results_output.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <unordered_map>

namespace nomispot::cli {

namespace {

OutputFormat rowFormat(CliFormat format) {
    switch (format) {
    case CliFormat::Text:
        return OutputFormat::Text;
    case CliFormat::Csv:
        return OutputFormat::Csv;
    case CliFormat::Json:
    case CliFormat::JsonLines:
        break;
    }
    return OutputFormat::Json;
}

Failure writeFailure() {
    return Failure{QStringLiteral("Cannot write the results: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(errno)))};
}

} // namespace

ResultsOutput::ResultsOutput(std::FILE* out, CliFormat format) : m_out(out), m_format(format) {}

ResultsOutput::ResultsOutput(ResumeFile file)
    : m_format(file.format()), m_resume(std::move(file)) {}

Status ResultsOutput::put(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return Done{};
    if (!m_resume) {
        // A full disk, a closed or broken pipe: the results are lost, and the user must know.
        if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), m_out) !=
                static_cast<std::size_t>(bytes.size()) ||
            std::fflush(m_out) != 0)
            return writeFailure();
        return Done{};
    }
    // Opened for each run: a rewrite in between replaces the file.
    QFile file(m_resume->path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return Failure{QStringLiteral("Cannot write the results to %1: %2")
                           .arg(m_resume->path(), file.errorString())};
    if (file.write(bytes) != bytes.size() || ::fsync(file.handle()) != 0)
        return Failure{QStringLiteral("Cannot write the results to %1: %2")
                           .arg(m_resume->path(), file.errorString())};
    return Done{};
}

Status ResultsOutput::begin() {
    if (m_begun)
        return Done{};
    m_begun = true;
    if (m_format == CliFormat::Json)
        return put("[\n");
    if (m_format == CliFormat::Csv && (!m_resume || m_resume->isNew()))
        return put(csvHeader().toUtf8() + '\n');
    return Done{};
}

Status ResultsOutput::writeRun(const RunResults& results, bool onlyAvailable) {
    if (Status begun = begin(); !begun)
        return begun;
    const std::vector<ResultLine> lines = resultLines(results, rowFormat(m_format), onlyAvailable);
    QString text;
    std::unordered_map<std::uint64_t, QString> replacements;
    QStringList appended; // to the resumed file, after the rows replaced
    for (const ResultLine& line : lines) {
        if (m_resume) {
            const QString& domain = results.table.at(line.c, line.r).domain;
            if (m_resume->isCancelled(domain))
                replacements.emplace(ResumeFile::key(domain), line.text);
            else
                appended << line.text;
            continue;
        }
        if (m_format == CliFormat::Json) {
            text += m_anyRow ? QStringLiteral(",\n") + line.text : line.text;
        } else {
            text += line.text;
            text += u'\n';
        }
        m_anyRow = true;
    }
    // Rows that replace cancelled ones rewrite the file, with the new rows after them.
    if (!replacements.empty())
        return m_resume->replaceRows(replacements, appended);
    if (m_resume)
        return put(appended.isEmpty() ? QByteArray() : (appended.join(u'\n') + u'\n').toUtf8());
    return put(text.toUtf8());
}

Status ResultsOutput::finish(bool complete) {
    if (!m_begun && !complete)
        return Done{};
    if (Status begun = begin(); !begun)
        return begun;
    if (m_format == CliFormat::Json)
        return put(m_anyRow ? "\n]\n" : "]\n");
    return Done{};
}

} // namespace nomispot::cli
