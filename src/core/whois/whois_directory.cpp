#include "whois/whois_directory.h"

#include "engine/dns_message.h"
#include "files/file_access.h"

#include <QDir>
#include <QRegularExpression>

namespace nomispot {

namespace {

constexpr auto kServersFileName = "whois-servers.tsv";
constexpr auto kAnswersFileName = "whois-answers.tsv";
// Both tables are tens of kilobytes; a file far larger is not one of them.
constexpr qint64 kMaxTableSize = 4 * 1024 * 1024;

QString collapseBlanks(const QString& text) {
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    return QString(text).replace(blanks, QStringLiteral(" "));
}

bool isHostName(const QString& host) {
    static const QRegularExpression pattern(QStringLiteral(
        "^[A-Za-z0-9]([A-Za-z0-9-]{0,62})(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,62}))*\\.?$"));
    return host.size() <= 253 && pattern.match(host).hasMatch();
}

bool isSuffix(const QString& suffix) {
    static const QRegularExpression pattern(
        QStringLiteral("^[a-z0-9]([a-z0-9-]*[a-z0-9])?(\\.[a-z0-9]([a-z0-9-]*[a-z0-9])?)*$"));
    return suffix.size() <= 253 && pattern.match(suffix).hasMatch();
}

// The table's lines after its header, each with its number.
std::vector<std::pair<int, QStringList>> rowsOf(const QByteArray& tsv) {
    std::vector<std::pair<int, QStringList>> rows;
    const QList<QByteArray> lines = tsv.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        rows.emplace_back(int(i + 1), QString::fromUtf8(line).split(u'\t'));
    }
    return rows;
}

std::optional<WhoisWordingKind> kindOf(const QString& word) {
    static const std::map<QString, WhoisWordingKind> kinds{
        {QStringLiteral("not_found"), WhoisWordingKind::NotFound},
        {QStringLiteral("found_marker"), WhoisWordingKind::FoundMarker},
        {QStringLiteral("rate_limited"), WhoisWordingKind::RateLimited},
        {QStringLiteral("reserved"), WhoisWordingKind::Reserved},
        {QStringLiteral("query_form"), WhoisWordingKind::QueryForm},
        {QStringLiteral("encoding"), WhoisWordingKind::Encoding}};
    const auto found = kinds.find(word);
    return found == kinds.end() ? std::nullopt : std::optional(found->second);
}

std::optional<WhoisMatch> matchOf(const QString& word) {
    static const std::map<QString, WhoisMatch> matches{
        {QStringLiteral("contains"), WhoisMatch::Contains},
        {QStringLiteral("line-starts"), WhoisMatch::LineStarts},
        {QStringLiteral("equals-trimmed"), WhoisMatch::EqualsTrimmed},
        {QStringLiteral("regex"), WhoisMatch::Regex}};
    const auto found = matches.find(word);
    return found == matches.end() ? std::nullopt : std::optional(found->second);
}

Result<QByteArray> readTable(const QString& path, const QString& what) {
    Result<QByteArray, FileReadError> bytes = readRegularFile(path, kMaxTableSize);
    if (!bytes)
        return bytes.error().failure(what);
    return std::move(*bytes);
}

} // namespace

QString posixEreToPcre(const QString& ere) {
    static const std::pair<const char*, const char*> classes[] = {
        {"[:space:]", "\\s"},    {"[:blank:]", " \\t"},      {"[:digit:]", "0-9"},
        {"[:alpha:]", "A-Za-z"}, {"[:alnum:]", "A-Za-z0-9"}, {"[:upper:]", "A-Z"},
        {"[:lower:]", "a-z"},    {"[:punct:]", "\\p{P}"},    {"[:xdigit:]", "0-9A-Fa-f"},
    };
    QString pcre = ere;
    for (const auto& [posix, perl] : classes)
        pcre.replace(QLatin1String(posix), QLatin1String(perl));
    return pcre;
}

std::map<QString, WhoisServer> parseWhoisServers(const QByteArray& tsv, const QString& fileName,
                                                 QStringList& skipped) {
    std::map<QString, WhoisServer> servers;
    const auto skip = [&](int line, const QString& why) {
        skipped << QStringLiteral("%1 line %2: %3").arg(fileName).arg(line).arg(why);
    };
    for (const auto& [number, fields] : rowsOf(tsv)) {
        if (fields.size() < 2) {
            skip(number, QStringLiteral("no WHOIS host after the TLD (columns are separated by "
                                        "tabs)"));
            continue;
        }
        QString suffix = fields[0].trimmed().toLower();
        if (suffix.startsWith(u'.'))
            suffix.remove(0, 1);
        if (!isSuffix(suffix)) {
            skip(number, QStringLiteral("\"%1\" is not a TLD").arg(fields[0].left(64)));
            continue;
        }
        QString host = fields[1].trimmed();
        quint16 port = 43;
        const qsizetype colon = host.lastIndexOf(u':');
        if (colon >= 0) {
            bool ok = false;
            const uint value = host.mid(colon + 1).toUInt(&ok);
            if (!ok || value == 0 || value > 65535) {
                skip(number, QStringLiteral("\"%1\" is not a port").arg(host.mid(colon + 1)));
                continue;
            }
            port = quint16(value);
            host.truncate(colon);
        }
        if (!isHostName(host)) {
            skip(number, QStringLiteral("\"%1\" is not a host name").arg(host.left(64)));
            continue;
        }
        if (servers.count(suffix)) {
            skip(number, QStringLiteral(".%1 is listed twice; the first host is used").arg(suffix));
            continue;
        }
        servers.emplace(suffix, WhoisServer{suffix, host.toLower(), port, QStringLiteral("NAME")});
    }
    return servers;
}

std::vector<WhoisWording> parseWhoisWordings(const QByteArray& tsv, const QString& fileName,
                                             QStringList& skipped) {
    std::vector<WhoisWording> wordings;
    const auto skip = [&](int line, const QString& why) {
        skipped << QStringLiteral("%1 line %2: %3").arg(fileName).arg(line).arg(why);
    };
    for (const auto& [number, fields] : rowsOf(tsv)) {
        if (fields.size() < 5) {
            skip(number, QStringLiteral("fewer than 5 columns"));
            continue;
        }
        WhoisWording wording;
        wording.tld = fields[0].trimmed().toLower();
        wording.host = fields[1].trimmed().toLower();
        const std::optional<WhoisWordingKind> kind = kindOf(fields[2].trimmed());
        const QStringList how = fields[4].trimmed().split(u'/');
        const std::optional<WhoisMatch> match = matchOf(how.value(0));
        if (!kind || !match || how.size() != 2 ||
            (how[1] != QLatin1String("c") && how[1] != QLatin1String("i"))) {
            skip(number, QStringLiteral("unknown kind or match (%1, %2)")
                             .arg(fields[2].left(32), fields[4].left(32)));
            continue;
        }
        wording.kind = *kind;
        wording.match = *match;
        wording.caseSensitive = how[1] == QLatin1String("c");
        wording.phrase = fields[3];
        if (wording.tld.isEmpty() || wording.phrase.trimmed().isEmpty()) {
            skip(number, QStringLiteral("no TLD or no phrase"));
            continue;
        }
        if (wording.match == WhoisMatch::Regex) {
            wording.regex.setPattern(posixEreToPcre(wording.phrase));
            if (!wording.caseSensitive)
                wording.regex.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
            if (!wording.regex.isValid()) {
                skip(number, QStringLiteral("the pattern cannot be read: %1")
                                 .arg(wording.regex.errorString()));
                continue;
            }
        } else if (wording.kind != WhoisWordingKind::QueryForm) {
            wording.phrase = collapseBlanks(wording.phrase.trimmed());
        }
        wordings.push_back(std::move(wording));
    }
    return wordings;
}

void applyQueryForms(WhoisDirectory& directory) {
    for (auto& [suffix, server] : directory.servers) {
        for (const WhoisWording& wording : directory.wordings) {
            // A form seen on another host (a DAS on another port, an old server) is not this
            // server's: the bare name is.
            if (wording.kind != WhoisWordingKind::QueryForm || wording.tld != suffix)
                continue;
            const QString host =
                server.port == 43 ? server.host : server.host + u':' + QString::number(server.port);
            if (wording.host == host && wording.phrase.contains(QLatin1String("NAME")) !=
                                            wording.phrase.contains(QLatin1String("LABEL"))) {
                server.queryForm = wording.phrase;
                break; // the first row is the one to use
            }
        }
    }
}

Result<WhoisDirectory> loadWhoisDirectory(const QString& dataDir) {
    const QString named = qEnvironmentVariable("NOMISPOT_WHOIS_SERVERS");
    const QString serversPath =
        named.isEmpty() ? QDir(dataDir).filePath(QString::fromLatin1(kServersFileName)) : named;
    const QString answersPath = QDir(dataDir).filePath(QString::fromLatin1(kAnswersFileName));
    const Result<QByteArray> servers = readTable(serversPath, QStringLiteral("the WHOIS servers"));
    if (!servers)
        return servers.error();
    const Result<QByteArray> answers =
        readTable(answersPath, QStringLiteral("the WHOIS answer wordings"));
    if (!answers)
        return answers.error();
    WhoisDirectory directory;
    directory.servers =
        parseWhoisServers(*servers, QDir::toNativeSeparators(serversPath), directory.skipped);
    directory.wordings =
        parseWhoisWordings(*answers, QDir::toNativeSeparators(answersPath), directory.skipped);
    applyQueryForms(directory);
    return directory;
}

std::optional<WhoisServer> whoisServerFor(const WhoisDirectory& directory,
                                          const QString& asciiDomain) {
    QString name = withoutRoot(asciiDomain).toString().toLower();
    // From the longest suffix to the TLD.
    for (qsizetype dot = name.indexOf(u'.'); dot >= 0; dot = name.indexOf(u'.', dot + 1)) {
        const auto found = directory.servers.find(name.mid(dot + 1));
        if (found != directory.servers.end())
            return found->second;
    }
    return std::nullopt;
}

QString noWhoisServerMessage(const QString& asciiDomain) {
    const QStringView name = withoutRoot(asciiDomain);
    return QStringLiteral("No WHOIS server known for .") +
           name.mid(name.lastIndexOf(u'.') + 1).toString();
}

QString whoisQueryLine(const WhoisServer& server, const QString& asciiDomain) {
    static const QRegularExpression domainChars(QStringLiteral("^[a-z0-9_-]+(\\.[a-z0-9_-]+)+$"));
    const QString name = withoutRoot(asciiDomain).toString().toLower();
    if (!domainChars.match(name).hasMatch())
        return {};
    QString label = name;
    if (name.endsWith(u'.' + server.suffix))
        label.chop(server.suffix.size() + 1);
    QString line = server.queryForm.isEmpty() ? QStringLiteral("NAME") : server.queryForm;
    line.replace(QLatin1String("LABEL"), label);
    line.replace(QLatin1String("NAME"), name);
    return line;
}

} // namespace nomispot
