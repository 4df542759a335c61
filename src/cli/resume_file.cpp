#include "resume_file.h"

#include "files/file_access.h"
#include "results/result_formats.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <unistd.h>

namespace nomispot::cli {

namespace {

const QString kCancelled = QStringLiteral("cancelled");
const QString kNotChecked = QStringLiteral("not_checked");

QStringList jsonFieldNames() {
    QStringList names = csvHeader().split(u',');
    names.sort();
    return names;
}

bool contains(const std::vector<std::uint64_t>& sorted, std::uint64_t key) {
    return std::binary_search(sorted.begin(), sorted.end(), key);
}

QString formatName(CliFormat format) {
    return format == CliFormat::JsonLines ? QStringLiteral("JSON Lines") : QStringLiteral("csv");
}

} // namespace

std::uint64_t ResumeFile::key(const QString& domain) {
    return qHash(domain, 0);
}

std::optional<ResumeRow> readResumeRow(const QByteArray& line, CliFormat format) {
    if (format == CliFormat::JsonLines) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return std::nullopt;
        const QJsonObject object = document.object();
        QStringList keys = object.keys();
        keys.sort();
        if (keys != jsonFieldNames())
            return std::nullopt;
        const QString domain = object.value(QStringLiteral("domain")).toString();
        if (domain.isEmpty())
            return std::nullopt;
        return ResumeRow{domain,
                         object.value(QStringLiteral("state")).toString() == kNotChecked &&
                             object.value(QStringLiteral("reason")).toString() == kCancelled};
    }
    const std::optional<QStringList> fields = csvLineFields(QString::fromUtf8(line));
    if (!fields || fields->size() != csvHeader().count(u',') + 1 || fields->at(0).isEmpty())
        return std::nullopt;
    QString domain = fields->at(0);
    // A field that starts like a formula was written after an apostrophe.
    if (domain.size() > 1 && domain.front() == u'\'' && QStringView(u"=+-@").contains(domain[1]))
        domain.remove(0, 1);
    return ResumeRow{domain, fields->at(3) == kNotChecked && fields->at(5) == kCancelled};
}

Result<ResumeFile> ResumeFile::open(const CliOptions& options) {
    ResumeFile file;
    file.m_path = options.resumePath;
    const QString& path = file.m_path;
    const QString leftAlone = QStringLiteral("%1 is left as it is.").arg(path);
    const QFileInfo info(path);
    if (!info.exists() || (info.isFile() && info.size() == 0)) {
        if (options.formatGiven)
            file.m_format = options.format;
        else
            file.m_format = path.endsWith(QStringLiteral(".jsonl"), Qt::CaseInsensitive)
                                ? CliFormat::JsonLines
                                : CliFormat::Csv;
        return file;
    }
    if (const Result<Done, FileReadError> regular = checkRegularFile(path); !regular)
        return regular.error().failure(QStringLiteral("the file to resume"));
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("Cannot read %1: %2").arg(path, in.errorString())};
    file.m_new = false;
    const auto refuse = [&](const QString& why) {
        return Failure{QStringLiteral("Cannot resume %1: %2\r%3").arg(path, why, leftAlone)};
    };

    qint64 lineNumber = 0;
    QByteArray line = in.readLine();
    ++lineNumber;
    const QByteArray first = line.endsWith('\n') ? line.chopped(1) : line;
    if (first == csvHeader().toUtf8()) {
        file.m_format = CliFormat::Csv;
        line = in.readLine();
        ++lineNumber;
    } else if (readResumeRow(first, CliFormat::JsonLines)) {
        file.m_format = CliFormat::JsonLines;
    } else {
        return refuse(QStringLiteral("it is neither csv results of nomispot-check (with their "
                                     "header) nor JSON Lines with their fields."));
    }
    if (options.formatGiven && options.format != file.m_format)
        return refuse(QStringLiteral("it holds %1 results, not %2.")
                          .arg(formatName(file.m_format), formatName(options.format)));
    for (; !line.isEmpty(); line = in.readLine(), ++lineNumber) {
        if (!line.endsWith('\n')) {
            // A last row without its line end is our own write, cut by a kill or a power cut:
            // dropped, so that its domain is checked again and the rows after it start clean.
            const qint64 cutFrom = in.pos() - line.size();
            in.close();
            if (!QFile::resize(path, cutFrom))
                return refuse(QStringLiteral("line %1, its last, is incomplete, and it cannot be "
                                             "dropped.")
                                  .arg(lineNumber));
            file.m_notice = QStringLiteral("Line %1 of %2, its last, was cut short (an "
                                           "interrupted write): dropped, and its domain checked "
                                           "again.")
                                .arg(lineNumber)
                                .arg(path);
            break;
        }
        const std::optional<ResumeRow> row = readResumeRow(line.chopped(1), file.m_format);
        if (!row)
            return refuse(QStringLiteral("line %1 is not a row of %2 results.")
                              .arg(lineNumber)
                              .arg(formatName(file.m_format)));
        (row->cancelled ? file.m_cancelled : file.m_done).push_back(key(row->domain));
    }
    if (in.isOpen() && in.error() != QFileDevice::NoError)
        return Failure{QStringLiteral("Cannot read %1: %2").arg(path, in.errorString())};
    std::sort(file.m_done.begin(), file.m_done.end());
    std::sort(file.m_cancelled.begin(), file.m_cancelled.end());
    return file;
}

bool ResumeFile::isDone(const QString& domain) const {
    return contains(m_done, key(domain));
}

bool ResumeFile::isCancelled(const QString& domain) const {
    return contains(m_cancelled, key(domain));
}

Status ResumeFile::replaceRows(const std::unordered_map<std::uint64_t, QString>& replacements,
                               const QStringList& appended) {
    QFile in(m_path);
    if (!in.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("Cannot read %1: %2").arg(m_path, in.errorString())};
    QSaveFile out(m_path);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Failure{QStringLiteral("Cannot write %1: %2").arg(m_path, out.errorString())};
    const auto failed = [&] {
        return Failure{QStringLiteral("Cannot write %1: %2").arg(m_path, out.errorString())};
    };
    std::vector<std::uint64_t> stillCancelled;
    for (QByteArray line = in.readLine(); !line.isEmpty(); line = in.readLine()) {
        const std::optional<ResumeRow> row = readResumeRow(line.chopped(1), m_format);
        if (row && row->cancelled) {
            const auto replaced = replacements.find(key(row->domain));
            if (replaced != replacements.end()) {
                line = replaced->second.toUtf8() + '\n';
                (readResumeRow(line.chopped(1), m_format).value_or(ResumeRow{}).cancelled
                     ? stillCancelled
                     : m_done)
                    .push_back(replaced->first);
            } else {
                stillCancelled.push_back(key(row->domain));
            }
        }
        if (out.write(line) != line.size())
            return failed();
    }
    for (const QString& text : appended) {
        const QByteArray line = text.toUtf8() + '\n';
        if (out.write(line) != line.size())
            return failed();
    }
    if (!out.flush() || ::fsync(out.handle()) != 0)
        return failed();
    if (!out.commit())
        return failed();
    std::sort(m_done.begin(), m_done.end());
    std::sort(stillCancelled.begin(), stillCancelled.end());
    m_cancelled = std::move(stillCancelled);
    return Done{};
}

} // namespace nomispot::cli
