#include "zone/master_file_parser.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace nomispot {

namespace {

constexpr std::size_t kMaxEntryBytes = 256 * 1024; // an entry larger than any record can be
constexpr int kMaxLabel = 63;
constexpr int kMaxWireName = 255;

struct TypeName {
    const char* name;
    std::uint16_t code;
};

// Record types by their mnemonic (RFC 3597 TYPEnnn is read apart), sorted for a binary search.
constexpr std::array kTypes{
    TypeName{"A", 1},        TypeName{"A6", 38},         TypeName{"AAAA", 28},
    TypeName{"AFSDB", 18},   TypeName{"AMTRELAY", 260},  TypeName{"APL", 42},
    TypeName{"ATMA", 34},    TypeName{"AVC", 258},       TypeName{"CAA", 257},
    TypeName{"CDNSKEY", 60}, TypeName{"CDS", 59},        TypeName{"CERT", 37},
    TypeName{"CNAME", 5},    TypeName{"CSYNC", 62},      TypeName{"DHCID", 49},
    TypeName{"DLV", 32769},  TypeName{"DNAME", 39},      TypeName{"DNSKEY", 48},
    TypeName{"DOA", 259},    TypeName{"DS", 43},         TypeName{"EID", 31},
    TypeName{"EUI48", 108},  TypeName{"EUI64", 109},     TypeName{"GID", 102},
    TypeName{"GPOS", 27},    TypeName{"HINFO", 13},      TypeName{"HIP", 55},
    TypeName{"HTTPS", 65},   TypeName{"IPSECKEY", 45},   TypeName{"ISDN", 20},
    TypeName{"KEY", 25},     TypeName{"KX", 36},         TypeName{"L32", 105},
    TypeName{"L64", 106},    TypeName{"LOC", 29},        TypeName{"LP", 107},
    TypeName{"MB", 7},       TypeName{"MD", 3},          TypeName{"MF", 4},
    TypeName{"MG", 8},       TypeName{"MINFO", 14},      TypeName{"MR", 9},
    TypeName{"MX", 15},      TypeName{"NAPTR", 35},      TypeName{"NID", 104},
    TypeName{"NIMLOC", 32},  TypeName{"NINFO", 56},      TypeName{"NS", 2},
    TypeName{"NSAP", 22},    TypeName{"NSAP-PTR", 23},   TypeName{"NSEC", 47},
    TypeName{"NSEC3", 50},   TypeName{"NSEC3PARAM", 51}, TypeName{"NULL", 10},
    TypeName{"NXT", 30},     TypeName{"OPENPGPKEY", 61}, TypeName{"PTR", 12},
    TypeName{"PX", 26},      TypeName{"RESINFO", 261},   TypeName{"RKEY", 57},
    TypeName{"RP", 17},      TypeName{"RRSIG", 46},      TypeName{"RT", 21},
    TypeName{"SIG", 24},     TypeName{"SINK", 40},       TypeName{"SMIMEA", 53},
    TypeName{"SOA", 6},      TypeName{"SPF", 99},        TypeName{"SRV", 33},
    TypeName{"SSHFP", 44},   TypeName{"SVCB", 64},       TypeName{"TA", 32768},
    TypeName{"TALINK", 58},  TypeName{"TLSA", 52},       TypeName{"TXT", 16},
    TypeName{"UID", 101},    TypeName{"UINFO", 100},     TypeName{"URI", 256},
    TypeName{"WALLET", 262}, TypeName{"WKS", 11},        TypeName{"X25", 19},
    TypeName{"ZONEMD", 63},
};

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool equalsUpper(std::string_view text, std::string_view upperWord) {
    if (text.size() != upperWord.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upper(text[i]) != upperWord[i])
            return false;
    return true;
}

// A decimal number of at most max; nullopt for anything else.
std::optional<std::uint32_t> decimal(std::string_view text, std::uint64_t max) {
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > max)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// "3600", or with units as BIND writes them: "1h30m", "2w".
bool isTtl(std::string_view text) {
    if (text.empty() || !isDigit(text[0]))
        return false;
    bool digitBefore = false;
    for (const char c : text) {
        if (isDigit(c)) {
            digitBefore = true;
            continue;
        }
        const char u = upper(c);
        if (!digitBefore || (u != 'S' && u != 'M' && u != 'H' && u != 'D' && u != 'W'))
            return false;
        digitBefore = false;
    }
    return true;
}

bool isClass(std::string_view text) {
    if (text.size() == 2) {
        const char a = upper(text[0]);
        const char b = upper(text[1]);
        return (a == 'I' && b == 'N') || (a == 'C' && b == 'H') || (a == 'H' && b == 'S') ||
               (a == 'C' && b == 'S');
    }
    return text.size() > 5 && equalsUpper(text.substr(0, 5), "CLASS") &&
           decimal(text.substr(5), 65535);
}

std::optional<std::uint16_t> typeCode(std::string_view text) {
    if (text.size() == 2 && upper(text[0]) == 'N' && upper(text[1]) == 'S')
        return kTypeNs;
    if (text.size() > 4 && equalsUpper(text.substr(0, 4), "TYPE")) {
        if (const auto code = decimal(text.substr(4), 65535))
            return static_cast<std::uint16_t>(*code);
        return std::nullopt;
    }
    std::array<char, 12> word{};
    if (text.size() >= word.size())
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i)
        word[i] = upper(text[i]);
    const auto it = std::lower_bound(
        kTypes.begin(), kTypes.end(), word.data(),
        [](const TypeName& t, const char* w) { return std::strcmp(t.name, w) < 0; });
    if (it == kTypes.end() || std::strcmp(it->name, word.data()) != 0)
        return std::nullopt;
    return it->code;
}

// For messages: what the file said, short and printable.
QString shown(std::string_view text) {
    QString s = QString::fromLatin1(text.data(), qsizetype(std::min<std::size_t>(text.size(), 40)));
    for (QChar& c : s)
        if (c.unicode() < 0x20 || c.unicode() >= 0x7f)
            c = u'?';
    return text.size() > 40 ? s + QStringLiteral("…") : s;
}

bool isBelowOrAt(std::string_view name, std::string_view zone) {
    if (zone.empty())
        return true;
    if (name.size() == zone.size())
        return name == zone;
    return name.size() > zone.size() && name[name.size() - zone.size() - 1] == '.' &&
           name.substr(name.size() - zone.size()) == zone;
}

} // namespace

MasterFileParser::MasterFileParser(std::function<void(const ZoneRecord&)> onRecord)
    : m_onRecord(std::move(onRecord)) {}

void MasterFileParser::feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            m_pending.append(bytes);
            return;
        }
        if (m_pending.empty()) {
            line(bytes.substr(0, end));
        } else {
            m_pending.append(bytes.substr(0, end));
            line(m_pending);
            m_pending.clear();
        }
        bytes.remove_prefix(end + 1);
    }
}

void MasterFileParser::finish() {
    if (!m_pending.empty()) {
        const std::string last = std::move(m_pending);
        m_pending.clear();
        line(last);
    }
    if (m_depth > 0) {
        m_depth = 0;
        m_broken = true;
        m_brokenWhy = QStringLiteral("a parenthesis is never closed");
        entry();
    }
}

std::string_view MasterFileParser::token(std::size_t i) const {
    const Token& t = m_tokens[i];
    return std::string_view(m_text).substr(t.offset, t.length);
}

void MasterFileParser::line(std::string_view text) {
    ++m_lineNumber;
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    if (m_depth == 0) {
        m_tokens.clear();
        m_text.clear();
        m_broken = false;
        m_entryLine = m_lineNumber;
        m_ownerGiven = !text.empty() && text[0] != ' ' && text[0] != '\t';
    }
    const auto add = [this](std::string_view t, bool quoted) {
        m_tokens.push_back({static_cast<std::uint32_t>(m_text.size()),
                            static_cast<std::uint32_t>(t.size()), quoted});
        m_text.append(t);
    };
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (c == ';') {
            break;
        } else if (c == '(') {
            ++m_depth;
            ++i;
        } else if (c == ')') {
            if (m_depth == 0 && !m_broken) {
                m_broken = true;
                m_brokenWhy = QStringLiteral("a parenthesis is closed that was never opened");
            }
            m_depth = std::max(m_depth - 1, 0);
            ++i;
        } else if (c == '"') {
            std::size_t j = i + 1;
            while (j < n && text[j] != '"')
                j += text[j] == '\\' ? 2 : 1;
            if (j >= n) {
                if (!m_broken) {
                    m_broken = true;
                    m_brokenWhy = QStringLiteral("a quoted text is never closed");
                }
                break;
            }
            add(text.substr(i + 1, j - i - 1), true);
            i = j + 1;
        } else {
            const std::size_t start = i;
            while (i < n) {
                const char d = text[i];
                if (d == ' ' || d == '\t' || d == ';' || d == '(' || d == ')' || d == '"')
                    break;
                i += d == '\\' ? 2 : 1;
            }
            i = std::min(i, n);
            add(text.substr(start, i - start), false);
        }
    }
    if (m_depth > 0 && m_text.size() > kMaxEntryBytes) {
        // An opening parenthesis that swallows the file: give up on this entry.
        m_depth = 0;
        m_broken = true;
        m_brokenWhy = QStringLiteral("a parenthesis is never closed");
    }
    if (m_depth == 0)
        entry();
}

void MasterFileParser::skip(const QString& why) {
    ++m_facts.skippedLines;
    if (m_facts.problems.size() < kProblemsKept)
        m_facts.problems << QStringLiteral("line %1: %2").arg(m_entryLine).arg(why);
}

void MasterFileParser::entry() {
    if (m_broken) {
        skip(m_brokenWhy);
        return;
    }
    if (m_tokens.empty())
        return;
    if (m_ownerGiven && !m_tokens[0].quoted && token(0).front() == '$')
        directive();
    else
        record();
}

void MasterFileParser::directive() {
    const std::string_view word = token(0);
    if (equalsUpper(word, "$ORIGIN")) {
        if (m_tokens.size() < 2 || m_tokens[1].quoted) {
            skip(QStringLiteral("$ORIGIN without a name"));
            return;
        }
        std::string origin;
        int labels = 0;
        int wire = 0;
        QString why;
        if (!resolveName(token(1), origin, labels, wire, why)) {
            skip(why);
            return;
        }
        m_origin = std::move(origin);
        m_originLabels = labels;
        m_originWireLength = wire;
        m_originKnown = true;
        ++m_originGeneration;
    } else if (equalsUpper(word, "$TTL")) {
        if (m_tokens.size() < 2 || !isTtl(token(1)))
            skip(QStringLiteral("$TTL without a time"));
    } else if (equalsUpper(word, "$INCLUDE")) {
        ++m_facts.skippedIncludes;
        skip(QStringLiteral("$INCLUDE is not followed"));
    } else {
        skip(QStringLiteral("unknown directive \"%1\"").arg(shown(word)));
    }
}

void MasterFileParser::record() {
    std::size_t i = 0;
    if (m_ownerGiven) {
        i = 1;
        const std::string_view written = token(0);
        if (m_tokens[0].quoted) {
            skip(QStringLiteral("the owner name is quoted"));
            return;
        }
        // Registries repeat the owner on every line: read it once.
        if (!(m_ownerKnown && m_ownerGeneration == m_originGeneration && written == m_ownerToken)) {
            int labels = 0;
            int wire = 0;
            QString why;
            if (written == "@") {
                if (!m_originKnown) {
                    skip(QStringLiteral("'@' with no $ORIGIN"));
                    return;
                }
                m_scratch = m_origin;
                labels = m_originLabels;
            } else if (!resolveName(written, m_scratch, labels, wire, why)) {
                skip(why);
                return;
            }
            m_owner.swap(m_scratch);
            m_ownerLabels = labels;
            m_ownerKnown = true;
            m_ownerToken.assign(written);
            m_ownerGeneration = m_originGeneration;
        }
    } else if (!m_ownerKnown) {
        skip(QStringLiteral("no owner name: none came before"));
        return;
    }

    bool ttl = false;
    bool cls = false;
    for (; i < m_tokens.size() && !m_tokens[i].quoted; ++i) {
        const std::string_view t = token(i);
        if (!cls && isClass(t))
            cls = true;
        else if (!ttl && isTtl(t))
            ttl = true;
        else
            break;
    }
    if (i >= m_tokens.size() || m_tokens[i].quoted) {
        skip(QStringLiteral("no record type"));
        return;
    }
    const std::optional<std::uint16_t> type = typeCode(token(i));
    if (!type) {
        skip(QStringLiteral("unknown record type \"%1\"").arg(shown(token(i))));
        return;
    }
    const std::size_t rdata = i + 1;
    if (rdata >= m_tokens.size()) {
        skip(QStringLiteral("a record without data"));
        return;
    }

    if (!m_facts.zoneKnown) {
        // An SOA first names the zone; without one the origin does.
        if (*type == kTypeSoa) {
            m_facts.zone = m_owner;
            m_zoneLabels = m_ownerLabels;
        } else if (m_originKnown) {
            m_facts.zone = m_origin;
            m_zoneLabels = m_originLabels;
        } else {
            skip(QStringLiteral("no $ORIGIN, and the first record is no SOA"));
            return;
        }
        m_facts.zoneKnown = true;
    }
    if (!isBelowOrAt(m_owner, m_facts.zone)) {
        skip(QStringLiteral("\"%1\" is outside the zone").arg(shown(m_owner)));
        return;
    }
    if (*type == kTypeSoa && m_owner == m_facts.zone && !m_facts.soaSerial) {
        // MNAME RNAME SERIAL REFRESH RETRY EXPIRE MINIMUM
        const std::optional<std::uint32_t> serial =
            m_tokens.size() - rdata >= 7 ? decimal(token(rdata + 2), 0xffffffffULL) : std::nullopt;
        if (!serial) {
            skip(QStringLiteral("an SOA record without a serial number"));
            return;
        }
        m_facts.soaSerial = serial;
    }

    ZoneRecord record;
    record.owner = m_owner;
    record.labelsBelowApex = m_ownerLabels - m_zoneLabels;
    record.type = *type;
    record.sameOwner = m_facts.records > 0 && m_emitted == m_owner;
    if (!record.sameOwner)
        m_emitted = m_owner;
    ++m_facts.records;
    if (m_onRecord)
        m_onRecord(record);
}

bool MasterFileParser::resolveName(std::string_view text, std::string& out, int& labels,
                                   int& wireLength, QString& why) const {
    out.clear();
    labels = 0;
    wireLength = 1; // the root's empty label
    if (text == ".")
        return true;
    int labelLength = 0;
    bool absolute = false;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        char c = text[i];
        if (c == '.') {
            if (labelLength == 0) {
                why = QStringLiteral("\"%1\" has an empty label").arg(shown(text));
                return false;
            }
            wireLength += labelLength + 1;
            ++labels;
            labelLength = 0;
            if (i + 1 == n)
                absolute = true;
            else
                out += '.';
            ++i;
            continue;
        }
        unsigned byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            if (i + 1 >= n) {
                why = QStringLiteral("\"%1\" ends in a backslash").arg(shown(text));
                return false;
            }
            if (isDigit(text[i + 1])) {
                if (i + 3 >= n || !isDigit(text[i + 2]) || !isDigit(text[i + 3])) {
                    why = QStringLiteral("\"%1\" has a broken \\DDD escape").arg(shown(text));
                    return false;
                }
                byte = static_cast<unsigned>((text[i + 1] - '0') * 100 + (text[i + 2] - '0') * 10 +
                                             (text[i + 3] - '0'));
                if (byte > 255) {
                    why = QStringLiteral("\"%1\" has a broken \\DDD escape").arg(shown(text));
                    return false;
                }
                i += 4;
            } else {
                byte = static_cast<unsigned char>(text[i + 1]);
                i += 2;
            }
        } else {
            ++i;
        }
        if (labelLength == kMaxLabel) {
            why = QStringLiteral("\"%1\" has a label longer than 63").arg(shown(text));
            return false;
        }
        ++labelLength;
        if (byte >= 'A' && byte <= 'Z')
            byte += 32;
        if (byte == '.' || byte == '\\' || byte <= 0x20 || byte >= 0x7f) {
            const char escaped[4] = {'\\', static_cast<char>('0' + byte / 100),
                                     static_cast<char>('0' + byte / 10 % 10),
                                     static_cast<char>('0' + byte % 10)};
            out.append(escaped, 4);
        } else {
            out += static_cast<char>(byte);
        }
    }
    if (labelLength > 0) {
        wireLength += labelLength + 1;
        ++labels;
    }
    if (!absolute) {
        if (!m_originKnown) {
            why = QStringLiteral("\"%1\" is relative, with no $ORIGIN").arg(shown(text));
            return false;
        }
        if (!m_origin.empty()) {
            out += '.';
            out += m_origin;
        }
        labels += m_originLabels;
        wireLength += m_originWireLength - 1;
    }
    if (wireLength > kMaxWireName) {
        why = QStringLiteral("\"%1\" is longer than 255 octets").arg(shown(text));
        return false;
    }
    return true;
}

} // namespace nomispot
