#include "whois/whois_answer.h"

#include "engine/dns_message.h"
#include "names/idna.h"
#include "registry/network_text.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <optional>

namespace nomispot {

namespace {

// A reason or a field is a short line; more is cut.
constexpr qsizetype kFieldLimit = 200;
// Statuses kept from one answer.
constexpr qsizetype kMostStatuses = 16;
// An answer this short may be a bare refusal ("try again later").
constexpr qsizetype kShortAnswerLines = 5;

// Windows-1252 at 0x80..0x9F; the rest is ISO-8859-1.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

struct Line {
    QString text; // line end removed, runs of blanks made one space
    QString raw;  // line end removed
};

QString collapse(QStringView line) {
    QString out;
    out.reserve(line.size());
    bool blank = false;
    for (QChar c : line) {
        if (c == u' ' || c == u'\t') {
            if (!blank)
                out += u' ';
            blank = true;
        } else {
            out += c;
            blank = false;
        }
    }
    return out;
}

std::vector<Line> linesOf(const QString& text) {
    std::vector<Line> lines;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines.push_back({collapse(line), line.toString()});
    }
    return lines;
}

// The whole answer without blank lines and outer blanks.
QString trimmedWhole(const std::vector<Line>& lines) {
    QStringList kept;
    for (const Line& line : lines)
        if (!line.text.trimmed().isEmpty())
            kept << line.text.trimmed();
    return kept.join(u'\n');
}

Qt::CaseSensitivity caseOf(const WhoisWording& wording) {
    return wording.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// The index of the first line the wording matches (for EqualsTrimmed: 0 when the whole answer is
// the phrase), or nothing.
std::optional<std::size_t> firstMatch(const WhoisWording& wording, const std::vector<Line>& lines,
                                      const QString& whole) {
    if (wording.match == WhoisMatch::EqualsTrimmed) {
        if (whole.compare(wording.phrase, caseOf(wording)) != 0)
            return std::nullopt;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (!lines[i].text.trimmed().isEmpty())
                return i;
        return std::nullopt;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const QString& text = lines[i].text;
        bool hit = false;
        switch (wording.match) {
        case WhoisMatch::Contains:
            hit = text.contains(wording.phrase, caseOf(wording));
            break;
        case WhoisMatch::LineStarts:
            hit = QStringView(text).trimmed().startsWith(wording.phrase, caseOf(wording));
            break;
        case WhoisMatch::Regex:
            hit = wording.regex.match(text).hasMatch();
            break;
        case WhoisMatch::EqualsTrimmed:
            break;
        }
        if (hit)
            return i;
    }
    return std::nullopt;
}

// "key: value", "key.......: value" or "[key] value", the key in lower case without its dots.
struct Field {
    QString key;
    QString value;
};

// A line's field: "key: value", "key.......: value", "key:.......value" (JWhoisServer),
// "[key] value", or "key<TAB>value" (SWITCH).
std::optional<Field> fieldOf(const Line& line) {
    QStringView text = QStringView(line.text).trimmed();
    while (text.startsWith(u'*') || text.startsWith(u'%'))
        text = text.mid(1).trimmed();
    QStringView key;
    QStringView value;
    const QStringView raw = QStringView(line.raw).trimmed();
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        key = text.mid(1, close - 1);
        value = text.mid(close + 1);
    } else if (const qsizetype colon = text.indexOf(u':'); colon > 0) {
        key = text.left(colon);
        value = text.mid(colon + 1).trimmed();
        while (value.startsWith(u'.'))
            value = value.mid(1);
    } else if (const qsizetype tab = raw.indexOf(u'\t'); tab > 0) {
        key = raw.left(tab);
        value = raw.mid(tab + 1);
    } else {
        return std::nullopt;
    }
    QString cleanKey = key.trimmed().toString().toLower();
    while (cleanKey.endsWith(u'.'))
        cleanKey.chop(1);
    cleanKey = cleanKey.trimmed();
    if (cleanKey.isEmpty() || cleanKey.size() > 48)
        return std::nullopt;
    return Field{cleanKey, collapse(value.trimmed())};
}

// The answer's fields. A key alone on its line takes the next line as its value when that is no
// field itself: Nominet (.uk) and others write "Domain name:", then the name indented below it.
std::vector<Field> fieldsOf(const std::vector<Line>& lines) {
    std::vector<Field> fields;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<Field> field = fieldOf(lines[i]);
        if (!field)
            continue;
        if (field->value.isEmpty() && i + 1 < lines.size() && !fieldOf(lines[i + 1]))
            field->value = lines[i + 1].text.trimmed();
        fields.push_back(std::move(*field));
    }
    return fields;
}

bool keyIn(const QString& key, std::initializer_list<const char*> keys) {
    for (const char* candidate : keys)
        if (key == QLatin1String(candidate))
            return true;
    return false;
}

bool isNameKey(const QString& key) {
    return keyIn(key, {"domain name", "domain", "domainname", "dominio", "nombre de dominio",
                       "domain_name", "query", "object", "complete domain name"});
}

bool isExpiryKey(const QString& key) {
    return keyIn(key, {"registry expiry date",
                       "registrar registration expiration date",
                       "expiration date",
                       "expiry date",
                       "expiry",
                       "expires",
                       "expires on",
                       "expire",
                       "expire date",
                       "expiration",
                       "paid-till",
                       "expiration time",
                       "valid until",
                       "validity",
                       "renewal date",
                       "renewal",
                       "date d'expiration",
                       "fecha de vencimiento",
                       "fecha de expiracion",
                       "data de expiração"});
}

bool isRegisteredKey(const QString& key) {
    return keyIn(key, {"creation date", "created", "created on", "registered", "registration date",
                       "registration time", "record created", "registered on", "registered date",
                       "domain registration date", "fecha de registro", "fecha de creacion",
                       "data de registo"});
}

bool isRegistrarKey(const QString& key) {
    return keyIn(key,
                 {"registrar", "registrar name", "sponsoring registrar", "registrar organization"});
}

bool isStatusKey(const QString& key) {
    return keyIn(key, {"domain status", "status", "state", "registration status"});
}

// Keys that only a registration has: its name servers, holder, or last change.
bool isRegistrationKey(const QString& key) {
    return keyIn(key, {"name server",
                       "name servers",
                       "nameserver",
                       "nameservers",
                       "nserver",
                       "domain servers in listed order",
                       "domain nameservers",
                       "dns",
                       "registrant",
                       "registrant name",
                       "organization name",
                       "registrant organization",
                       "holder",
                       "holder of domain name",
                       "owner",
                       "titular",
                       "changed",
                       "last updated",
                       "last modified",
                       "updated date"});
}

// A status that says the name is not registered.
bool isFreeStatus(const QString& value) {
    QString status = value.toLower();
    while (status.endsWith(u'.') || status.endsWith(u'!'))
        status.chop(1);
    return keyIn(status.trimmed(), {"free", "available", "not registered", "no object found",
                                    "not found", "unregistered", "available for registration"});
}

// A domain as a field or a line writes it, in ASCII lower case without quotes or its root dot;
// empty when the text is no domain name.
QString domainIn(QStringView text) {
    static const QString opening = QStringLiteral("\"'<([");
    static const QString closing = QStringLiteral("\"'>)],;:");
    while (!text.isEmpty() && opening.contains(text.front()))
        text = text.mid(1);
    while (!text.isEmpty() && closing.contains(text.back()))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    if (!text.contains(u'.'))
        return {};
    const Result<QString> ascii = toAsciiName(text.toString());
    return ascii ? ascii->toLower() : text.toString().toLower();
}

// The domain a name field gives ("Domain Name: EXAMPLE.COM", "domain: 例子.中国").
QString namedDomain(const Field& field) {
    return isNameKey(field.key) ? domainIn(QStringView(field.value).split(u' ').front())
                                : QString();
}

bool namesDomain(const Field& field, const QString& domain) {
    return namedDomain(field) == domain;
}

// The domain names a line holds, each in ASCII lower case.
QStringList domainsOnLine(const QString& line) {
    static const QRegularExpression candidate(
        QStringLiteral(R"((?:[\p{L}\p{N}](?:[\p{L}\p{N}-]*[\p{L}\p{N}])?\.)+[\p{L}\p{N}-]{2,})"));
    QStringList domains;
    for (const QRegularExpressionMatch& match : candidate.globalMatch(line))
        if (QString named = domainIn(match.capturedView()); !named.isEmpty())
            domains << std::move(named);
    return domains;
}

// Whether line names a domain of the asked one's shape (as many labels, the same TLD) that is
// not it: "No match for OTHER.COM." says nothing about x.com.
bool namesAnotherDomain(const QString& line, const QString& domain) {
    const qsizetype labels = domain.count(u'.') + 1;
    const QString tld = domain.section(u'.', -1);
    const QStringList named = domainsOnLine(line);
    return std::any_of(named.begin(), named.end(), [&](const QString& other) {
        return other != domain && other.count(u'.') + 1 == labels && other.section(u'.', -1) == tld;
    });
}

// How many lines each line's paragraph has (blank lines apart): a notice stands in a short one,
// a disclaimer fills a long one.
std::vector<int> paragraphSizes(const std::vector<Line>& lines) {
    std::vector<int> sizes(lines.size(), 0);
    for (std::size_t start = 0; start < lines.size();) {
        std::size_t end = start;
        while (end < lines.size() && !lines[end].text.trimmed().isEmpty())
            ++end;
        for (std::size_t i = start; i < end; ++i)
            sizes[i] = static_cast<int>(end - start);
        start = end + 1;
    }
    return sizes;
}

constexpr int kNoticeLines = 3;
constexpr qsizetype kNoticeChars = 200;

bool isNotice(const std::vector<Line>& lines, const std::vector<int>& paragraphs, std::size_t i) {
    return paragraphs[i] <= kNoticeLines && lines[i].text.trimmed().size() <= kNoticeChars;
}

// A refusal in any registry's words; it counts in a short notice, never in the terms of use that
// name limits in every answer.
bool isRefusal(const QString& line) {
    static const QRegularExpression refusal(
        QStringLiteral(
            R"(too many (requests|queries|connections|lookups)|rate limit (exceeded|reached)|)"
            R"((query|request|lookup) rate (exceeded|too high)|quota (exceeded|reached)|)"
            R"(limit (exceeded|reached)|exceeded (the |your )?(query |request |daily |connection )?)"
            R"((limit|quota)|excessive (querying|queries|requests)|access (is )?denied|)"
            R"(request denied|(has|have) been (temporarily )?(blocked|banned|denied))"),
        QRegularExpression::CaseInsensitiveOption);
    return refusal.match(line).hasMatch();
}

// A line that carries no answer: blank, a comment, a disclaimer or a notice.
bool isMeaningless(const QString& line) {
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(u'%') || text.startsWith(u'#') || text.startsWith(u';') ||
        text.startsWith(QLatin1String(">>>")) || text.startsWith(QLatin1String("--")))
        return true;
    static const QRegularExpression boilerplate(
        QStringLiteral("terms of use|disclaimer|copyright|rights reserved|by submitting|"
                       "informational purposes|whois database is provided|^notice|^note:|"
                       "^the data in|^please note"),
        QRegularExpression::CaseInsensitiveOption);
    return boilerplate.match(text).hasMatch();
}

QString firstMeaningfulLine(const std::vector<Line>& lines) {
    for (const Line& line : lines)
        if (!isMeaningless(line.text))
            return line.text.trimmed();
    // Only comments: the first of them, without its marks.
    for (const Line& line : lines) {
        QString text = line.text.trimmed();
        while (!text.isEmpty() && (text[0] == u'%' || text[0] == u'#' || text[0] == u';'))
            text.remove(0, 1);
        if (!text.trimmed().isEmpty())
            return text.trimmed();
    }
    return {};
}

// JWhoisServer (gf mq dz tg tn) prints "NO OBJECT FOUND!" for every sub-object it lacks, in
// registered answers too: the domain is meant only when "object: NAME" (and, where given,
// "type: domain") follows.
bool jwhoisMeansDomain(const std::vector<Line>& lines, std::size_t at, const QString& domain) {
    bool named = false;
    int seen = 0;
    for (std::size_t i = at + 1; i < lines.size() && seen < 4; ++i) {
        const std::optional<Field> field = fieldOf(lines[i]);
        if (lines[i].text.trimmed().isEmpty())
            continue;
        ++seen;
        if (!field)
            continue;
        if (field->key == QLatin1String("object"))
            named = field->value.toLower() == domain;
        else if (field->key == QLatin1String("type") && named)
            return field->value.compare(QLatin1String("domain"), Qt::CaseInsensitive) == 0;
    }
    return named;
}

bool isWeak(const WhoisWording& wording) {
    return wording.tld == QLatin1String("*") &&
           wording.phrase.compare(QLatin1String("try again later"), Qt::CaseInsensitive) == 0;
}

// A line without its comment and banner marks ("% ", "# ", ">>> ").
QStringView withoutMarks(const QString& line) {
    QStringView text = QStringView(line).trimmed();
    while (!text.isEmpty() && (text[0] == u'%' || text[0] == u'#' || text[0] == u'>'))
        text = text.mid(1).trimmed();
    return text;
}

// A generic "no match" phrase counts at the start of a line (after comment marks) or in a short
// notice that names the domain asked, never inside a disclaimer sentence.
std::optional<std::size_t> genericNotFound(const WhoisWording& wording,
                                           const std::vector<Line>& lines,
                                           const std::vector<int>& paragraphs,
                                           const QString& domain) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const QStringView text = withoutMarks(lines[i].text);
        if (text.startsWith(wording.phrase, caseOf(wording)) ||
            (isNotice(lines, paragraphs, i) && text.contains(wording.phrase, caseOf(wording)) &&
             domainsOnLine(lines[i].text).contains(domain)))
            return i;
    }
    return std::nullopt;
}

void fillRecord(RegistrationRecord& record, const std::vector<Line>& lines, const QString& domain) {
    for (const Field& field : fieldsOf(lines)) {
        if (field.value.isEmpty())
            continue;
        if (record.ldhName.isEmpty() && namesDomain(field, domain)) {
            record.ldhName = cleanNetworkText(field.value.section(u' ', 0, 0), kFieldLimit);
        } else if (isExpiryKey(field.key) && !record.expires.isValid()) {
            record.expires = parseWhoisDate(field.value);
        } else if (isRegisteredKey(field.key) && !record.registered.isValid()) {
            record.registered = parseWhoisDate(field.value);
        } else if (isRegistrarKey(field.key) && record.registrar.isEmpty()) {
            record.registrar = cleanNetworkText(field.value, kFieldLimit);
        } else if (isStatusKey(field.key) && record.status.size() < kMostStatuses) {
            // "clientTransferProhibited https://icann.org/epp#..." keeps its first part.
            QString status = field.value;
            const qsizetype link = status.indexOf(QLatin1String(" http"));
            if (link > 0)
                status.truncate(link);
            status = cleanNetworkText(status, kFieldLimit);
            if (!status.isEmpty() && !record.status.contains(status))
                record.status << status;
        }
    }
    if (record.ldhName.isEmpty())
        record.ldhName = domain;
}

} // namespace

QString decodeWhoisText(const QByteArray& bytes, const QString& charset) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        const QString name = charset.toLower().remove(u'-').remove(u'_');
        if (name == QLatin1String("windows1252") || name == QLatin1String("cp1252")) {
            text.clear();
            text.reserve(bytes.size());
            for (const char byte : bytes) {
                const auto value = static_cast<unsigned char>(byte);
                text +=
                    value >= 0x80 && value < 0xA0 ? QChar(kCp1252High[value - 0x80]) : QChar(value);
            }
        } else {
            text = QString::fromLatin1(bytes);
        }
    }
    text.remove(QChar(0));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QDateTime parseWhoisDate(const QString& text) {
    static const QRegularExpression isoLike(
        QStringLiteral(
            R"((\d{4})[-./](\d{1,2})[-./](\d{1,2})(?:[T ]+(\d{1,2}):(\d{2})(?::(\d{2}))?(?:\.\d+)?)?)"
            R"(\s*(Z|[+-]\d{2}:?\d{2}|\(?UTC([+-]\d{1,2})\)?)?)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression dayMonthName(
        QStringLiteral(R"((\d{1,2})[-./ ]([A-Za-z]{3})[A-Za-z]*[-./ ,]+(\d{4}))"));
    static const QRegularExpression monthNameDay(
        QStringLiteral(R"(\b([A-Za-z]{3})[A-Za-z]*\.? (\d{1,2}),? (\d{4}))"));
    static const QRegularExpression dayFirst(
        QStringLiteral(R"((\d{1,2})[./-](\d{1,2})[./-](\d{4}))"));
    static const QRegularExpression compact(QStringLiteral(R"(^(\d{4})(\d{2})(\d{2})\b)"));
    static const QStringList months{"jan", "feb", "mar", "apr", "may", "jun",
                                    "jul", "aug", "sep", "oct", "nov", "dec"};
    const auto monthOf = [](const QString& name) {
        return int(months.indexOf(name.left(3).toLower())) + 1;
    };
    const auto utcDay = [](int year, int month, int day) {
        const QDate date(year, month, day);
        return date.isValid() ? QDateTime(date, QTime(0, 0), Qt::UTC) : QDateTime();
    };
    const QString value = text.trimmed();
    if (const QRegularExpressionMatch m = isoLike.match(value); m.hasMatch()) {
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (!date.isValid())
            return {};
        const QTime time =
            m.captured(4).isEmpty()
                ? QTime(0, 0)
                : QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid())
            return {};
        int offsetSeconds = 0;
        const QString zone = m.captured(7);
        if (!m.captured(8).isEmpty()) {
            offsetSeconds = m.captured(8).toInt() * 3600;
        } else if (!zone.isEmpty() && zone.compare(QLatin1String("Z"), Qt::CaseInsensitive) != 0) {
            const QString digits = QString(zone).remove(u':');
            const int sign = digits.startsWith(u'-') ? -1 : 1;
            offsetSeconds =
                sign * (digits.mid(1, 2).toInt() * 3600 + digits.mid(3, 2).toInt() * 60);
        }
        return QDateTime(date, time, Qt::OffsetFromUTC, offsetSeconds).toUTC();
    }
    if (const QRegularExpressionMatch m = dayMonthName.match(value); m.hasMatch())
        if (const int month = monthOf(m.captured(2)); month > 0)
            return utcDay(m.captured(3).toInt(), month, m.captured(1).toInt());
    if (const QRegularExpressionMatch m = monthNameDay.match(value); m.hasMatch())
        if (const int month = monthOf(m.captured(1)); month > 0)
            return utcDay(m.captured(3).toInt(), month, m.captured(2).toInt());
    if (const QRegularExpressionMatch m = dayFirst.match(value); m.hasMatch())
        return utcDay(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (const QRegularExpressionMatch m = compact.match(value); m.hasMatch())
        return utcDay(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return {};
}

WhoisReading readWhoisAnswer(const std::vector<WhoisWording>& wordings, const QString& asciiDomain,
                             const QByteArray& bytes) {
    const QString domain = withoutRoot(asciiDomain).toString().toLower();
    const auto isOwn = [&domain](const WhoisWording& wording) {
        return wording.tld != QLatin1String("*") &&
               (domain == wording.tld || domain.endsWith(u'.' + wording.tld));
    };
    QString charset;
    for (const WhoisWording& wording : wordings)
        if (wording.kind == WhoisWordingKind::Encoding && isOwn(wording) && charset.isEmpty())
            charset = wording.phrase;
    const std::vector<Line> lines = linesOf(decodeWhoisText(bytes, charset));
    const QString whole = trimmedWhole(lines);

    WhoisReading reading;
    if (whole.isEmpty()) {
        reading.reason = QStringLiteral("the answer is empty");
        return reading;
    }
    const std::vector<int> paragraphs = paragraphSizes(lines);
    const std::vector<Field> fields = fieldsOf(lines);
    const auto lineAt = [&lines](std::size_t i) {
        return cleanNetworkText(lines[i].text, kFieldLimit);
    };
    // The first line a wording of this kind matches, the server's own rows first. A verdict
    // line that names another domain says nothing about this one.
    const auto find = [&](WhoisWordingKind kind, bool own) -> std::optional<std::size_t> {
        const bool verdict =
            kind == WhoisWordingKind::NotFound || kind == WhoisWordingKind::FoundMarker;
        for (const WhoisWording& wording : wordings) {
            if (wording.kind != kind ||
                (own ? !isOwn(wording) : wording.tld != QLatin1String("*")) || isWeak(wording))
                continue;
            std::optional<std::size_t> at =
                !own && kind == WhoisWordingKind::NotFound
                    ? genericNotFound(wording, lines, paragraphs, domain)
                    : firstMatch(wording, lines, whole);
            if (at && wording.phrase == QLatin1String("NO OBJECT FOUND!") &&
                !jwhoisMeansDomain(lines, *at, domain))
                at.reset();
            if (at && verdict && wording.match != WhoisMatch::EqualsTrimmed &&
                namesAnotherDomain(lines[*at].text, domain))
                at.reset();
            if (at)
                return at;
        }
        return std::nullopt;
    };

    // A refusal says nothing about the name, whatever else the answer holds: the server's own
    // wording or a generic one anywhere, or any registry's words for it in a short notice.
    for (bool own : {true, false}) {
        if (const auto at = find(WhoisWordingKind::RateLimited, own)) {
            reading.rateLimited = true;
            reading.reason = lineAt(*at);
            return reading;
        }
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (isNotice(lines, paragraphs, i) && isRefusal(lines[i].text)) {
            reading.rateLimited = true;
            reading.reason = lineAt(i);
            return reading;
        }
    }
    // An answer about another name: its verdict is not this one's.
    QString named;
    bool namesAsked = false;
    for (const Field& field : fields) {
        const QString other = namedDomain(field);
        namesAsked = namesAsked || other == domain;
        if (named.isEmpty() && !other.isEmpty())
            named = other;
    }
    if (!named.isEmpty() && !namesAsked) {
        reading.reason = QStringLiteral("the answer is about another domain (%1)")
                             .arg(cleanNetworkText(named, kFieldLimit));
        return reading;
    }
    // Reserved before "no match": a restricted name can sit next to "No Object Found".
    for (bool own : {true, false}) {
        if (const auto at = find(WhoisWordingKind::Reserved, own)) {
            reading.answer = RegistryAnswer::Found;
            reading.reserved = true;
            reading.reason = lineAt(*at);
            reading.record.ldhName = domain;
            reading.record.status = QStringList{QStringLiteral("reserved")};
            return reading;
        }
    }
    if (find(WhoisWordingKind::FoundMarker, true)) {
        reading.answer = RegistryAnswer::Found;
        fillRecord(reading.record, lines, domain);
        return reading;
    }
    if (find(WhoisWordingKind::NotFound, true)) {
        reading.answer = RegistryAnswer::NotFound;
        return reading;
    }
    // The generic fallbacks. Registered: the answer names the domain and gives what only a
    // registration has (a date, a registrar, name servers, a holder, a status other than a free
    // one). Free: a "no match" wording, or the domain named with a free status.
    bool registrationLine = static_cast<bool>(find(WhoisWordingKind::FoundMarker, false));
    bool statusFree = false;
    bool statusTaken = false;
    for (const Field& field : fields) {
        if (field.value.isEmpty())
            continue;
        if (isStatusKey(field.key)) {
            (isFreeStatus(field.value) ? statusFree : statusTaken) = true;
            continue;
        }
        registrationLine = registrationLine || isExpiryKey(field.key) ||
                           isRegisteredKey(field.key) || isRegistrarKey(field.key) ||
                           isRegistrationKey(field.key);
    }
    // "Available" or "Free" alone on a line is a status too.
    statusFree = statusFree || std::any_of(lines.begin(), lines.end(), [](const Line& line) {
                     const QStringView text = withoutMarks(line.text);
                     return text.compare(QLatin1String("available"), Qt::CaseInsensitive) == 0 ||
                            text.compare(QLatin1String("free"), Qt::CaseInsensitive) == 0;
                 });
    const bool genericFound = namesAsked && (registrationLine || statusTaken) && !statusFree;
    const bool genericFree = (namesAsked && statusFree && !statusTaken && !registrationLine) ||
                             static_cast<bool>(find(WhoisWordingKind::NotFound, false));
    if (genericFound && !genericFree) {
        reading.answer = RegistryAnswer::Found;
        fillRecord(reading.record, lines, domain);
        return reading;
    }
    if (genericFree && !genericFound) {
        reading.answer = RegistryAnswer::NotFound;
        return reading;
    }
    // A short answer that only asks to come back later is a refusal too.
    const qsizetype meaningful = whole.count(u'\n') + 1;
    if (meaningful <= kShortAnswerLines) {
        for (const WhoisWording& wording : wordings) {
            if (!isWeak(wording) || wording.kind != WhoisWordingKind::RateLimited)
                continue;
            if (const auto at = firstMatch(wording, lines, whole)) {
                reading.rateLimited = true;
                reading.reason = lineAt(*at);
                return reading;
            }
        }
    }
    reading.reason = cleanNetworkText(firstMeaningfulLine(lines), kFieldLimit);
    if (reading.reason.isEmpty())
        reading.reason = QStringLiteral("the answer holds no readable line");
    return reading;
}

} // namespace nomispot
