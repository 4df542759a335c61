#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nomispot {

inline constexpr std::uint16_t kTypeNs = 2;
inline constexpr std::uint16_t kTypeSoa = 6;

// One record of a zone file, as far as the index needs it.
struct ZoneRecord {
    // The whole owner name in lower case without the final dot. A byte that is not printable
    // ASCII, a dot inside a label and a backslash are written \DDD, so that the first '.' always
    // ends the first label.
    std::string_view owner;
    int labelsBelowApex = 0; // 0 for the zone's apex itself
    std::uint16_t type = 0;  // the record type's number (kTypeNs, ...)
    bool sameOwner = false;  // as the record before it
};

// What a master file said besides its records.
struct MasterFileFacts {
    std::string zone; // the apex, in the owner form above ("" for the root); empty until known
    bool zoneKnown = false;
    std::optional<std::uint32_t> soaSerial; // of the apex's first SOA record
    qint64 records = 0;
    qint64 skippedLines = 0;    // entries that could not be read, $INCLUDE lines among them
    qint64 skippedIncludes = 0; // $INCLUDE lines: never followed
    QStringList problems;       // the first few skipped lines, "line 12: unknown record type"
};

// Reads RFC 1035 master file text fed to it in pieces: $ORIGIN, $TTL, $INCLUDE (skipped and
// counted: a published zone never needs one, and following it would read any file the zone
// names), owner names relative or absolute, '@', a blank owner repeating the previous one,
// comments, parentheses spanning lines, quoted strings, escapes (\DDD, \X), TTL and class in
// either order. The zone is the owner of the first record when that is an SOA, else the origin
// in force at the first record. An entry that cannot be read, or whose owner lies outside the
// zone, is skipped and counted.
class MasterFileParser {
public:
    static constexpr int kProblemsKept = 3;

    explicit MasterFileParser(std::function<void(const ZoneRecord&)> onRecord);

    // Any number of bytes, cut anywhere.
    void feed(std::string_view bytes);
    // The end of the text: a last line without a line feed, an entry left open.
    void finish();

    const MasterFileFacts& facts() const { return m_facts; }

private:
    struct Token {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        bool quoted = false;
    };

    void line(std::string_view text);
    void entry();
    void directive();
    void record();
    void skip(const QString& why);
    std::string_view token(std::size_t i) const;
    // The canonical form of a name token, relative names below origin; false when not a name.
    bool resolveName(std::string_view text, std::string& out, int& labels, int& wireLength,
                     QString& why) const;

    std::function<void(const ZoneRecord&)> m_onRecord;
    MasterFileFacts m_facts;

    std::string m_pending; // a line cut by the end of a piece
    qint64 m_lineNumber = 0;

    // The entry being read: its tokens may span lines inside parentheses.
    std::string m_text;
    std::vector<Token> m_tokens;
    bool m_ownerGiven = false;
    int m_depth = 0;
    qint64 m_entryLine = 0;
    bool m_broken = false;
    QString m_brokenWhy;

    std::string m_origin; // canonical, "" for the root
    bool m_originKnown = false;
    int m_originLabels = 0;
    int m_originWireLength = 1;
    std::uint64_t m_originGeneration = 0;

    int m_zoneLabels = 0;

    std::string m_owner; // the last record's owner
    bool m_ownerKnown = false;
    int m_ownerLabels = 0;
    std::string m_ownerToken; // as written, with the origin it was read under
    std::uint64_t m_ownerGeneration = 0;
    std::string m_emitted; // the owner of the last record passed on
    std::string m_scratch;
};

} // namespace nomispot
