#pragma once

#include "cli_options.h"
#include "result.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace nomispot::cli {

// What the file of --resume already holds: the domains with a row, by a 64-bit hash of the
// domain (8 bytes each, however many there are), and those left "cancelled" by an interruption.
class ResumeFile {
public:
    // Reads the file named by --resume. One that does not exist or is empty is started in the
    // format asked for; any other must be our csv (its exact header) or JSON Lines with our
    // fields on every line, and a --format that names another format is refused. A last line
    // without its line end is cut off the file (notice() says so).
    static Result<ResumeFile> open(const CliOptions& options);

    const QString& path() const { return m_path; }
    CliFormat format() const { return m_format; }
    // Nothing written yet: the csv header is still to come.
    bool isNew() const { return m_new; }
    // A row for domain that is final: not checked again.
    bool isDone(const QString& domain) const;
    // A row for domain that an interruption left "cancelled": checked again, its row replaced.
    bool isCancelled(const QString& domain) const;
    // What opening did to the file that the user should know (a cut last row dropped); empty
    // when nothing.
    const QString& notice() const { return m_notice; }

    // Rewrites the file through a temporary one: each cancelled row whose domain has a line in
    // replacements becomes that line, every other row stays byte for byte; appended follows.
    // The file is left as it was when this fails.
    Status replaceRows(const std::unordered_map<std::uint64_t, QString>& replacements,
                       const QStringList& appended);

    static std::uint64_t key(const QString& domain);

private:
    QString m_path;
    CliFormat m_format = CliFormat::Csv;
    bool m_new = true;
    QString m_notice;
    std::vector<std::uint64_t> m_done;      // sorted
    std::vector<std::uint64_t> m_cancelled; // sorted
};

// The domain and whether the row was cancelled, read from one line of our csv or JSON Lines;
// nothing when the line is not such a row.
struct ResumeRow {
    QString domain;
    bool cancelled = false;
};
std::optional<ResumeRow> readResumeRow(const QByteArray& line, CliFormat format);

} // namespace nomispot::cli
