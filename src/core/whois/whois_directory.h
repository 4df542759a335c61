#pragma once

#include "result.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace nomispot {

// Where a TLD's registry answers WHOIS questions (RFC 3912), and the line it wants asked.
struct WhoisServer {
    QString suffix; // the table's row ("uk", or several labels)
    QString host;
    quint16 port = 43;
    QString queryForm; // "NAME" (the full domain) or e.g. "NAME/e", "get 1.0 LABEL"
};

// What a line of a registry's answer means, from the wordings table.
enum class WhoisWordingKind { NotFound, FoundMarker, RateLimited, Reserved, QueryForm, Encoding };
enum class WhoisMatch {
    Contains,      // the phrase is in a line
    LineStarts,    // a line, leading blanks removed, starts with it
    EqualsTrimmed, // the whole answer, blank lines and outer blanks removed, is the phrase
    Regex,         // a POSIX ERE found in a line
};

struct WhoisWording {
    QString tld; // "*": any server
    QString host;
    WhoisWordingKind kind = WhoisWordingKind::NotFound;
    QString phrase; // blanks collapsed, except in a regex
    WhoisMatch match = WhoisMatch::Contains;
    bool caseSensitive = true;
    QRegularExpression regex; // Regex: the phrase, translated
};

struct WhoisDirectory {
    std::map<QString, WhoisServer> servers; // by lower-case suffix
    std::vector<WhoisWording> wordings;
    // Lines of the tables that were not used, each with its file, line and why.
    QStringList skipped;
};

// The server table (tab-separated, a header line, the first two columns used: suffix and host,
// which may end in ":port"). Lines that cannot be used are left out and said in skipped.
std::map<QString, WhoisServer> parseWhoisServers(const QByteArray& tsv, const QString& fileName,
                                                 QStringList& skipped);
// The wordings table (tld, whois_host, kind, phrase, match; further columns ignored).
std::vector<WhoisWording> parseWhoisWordings(const QByteArray& tsv, const QString& fileName,
                                             QStringList& skipped);
// Gives each server the query form its wordings name for that very host.
void applyQueryForms(WhoisDirectory& directory);

// The shipped tables in dataDir: whois-servers.tsv (or the file NOMISPOT_WHOIS_SERVERS names)
// and whois-answers.tsv. A table that cannot be read is a Failure naming it.
Result<WhoisDirectory> loadWhoisDirectory(const QString& dataDir);

// The server for asciiDomain: the row of its longest suffix.
std::optional<WhoisServer> whoisServerFor(const WhoisDirectory& directory,
                                          const QString& asciiDomain);

// "No WHOIS server known for .tld".
QString noWhoisServerMessage(const QString& asciiDomain);

// The line sent for asciiDomain (without its line end): the query form with NAME and LABEL
// filled in. Empty when the name holds anything a domain cannot (it would become another line).
QString whoisQueryLine(const WhoisServer& server, const QString& asciiDomain);

// A POSIX ERE as the wordings table writes it ([[:space:]] and friends), for QRegularExpression.
QString posixEreToPcre(const QString& ere);

} // namespace nomispot
