#pragma once

#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace nomispot {

enum class CheckState : std::uint8_t {
    Pending = 0,
    Unavailable = 1,
    Available = 2,
    NotChecked = 3,
    NotRegistrable = 4, // no registry can take it (CheckItem::ruleReason says why)
    AlreadyWritten = 5, // its row is in the file being completed: never sent, asked or written
};

// Why a candidate ended NotChecked.
enum class NotCheckedReason : std::uint8_t {
    None,             // checked, or still waiting
    NoAnswer,         // sent, never answered
    ServerCode,       // answered only with a code that says nothing about the name (rcode)
    InvalidName,      // not a valid domain name: never sent
    SuffixUnknown,    // self-test: the nameserver says the suffix itself does not exist
    MadeUpNamesExist, // self-test: a made-up name under the suffix exists
    NotSent,          // the run ended before it was sent
    Cancelled,        // the user stopped the run before its answer came
    Truncated,        // only truncated answers came: incomplete, no verdict
    NetworkFailed,    // the run could not start: the nameserver or the network cannot be used
};

// What its registry said about a candidate: free ones are confirmed, taken ones asked about on
// request for their details.
enum class RegistryAnswer : std::uint8_t {
    NotAsked,
    Found,    // registered (a candidate the DNS called free became Unavailable)
    NotFound, // not registered: a free candidate is confirmed
    Unknown,  // asked, no usable answer (registryNote says why)
};

// Which registry service gave RegistryAnswer.
enum class RegistrySource : std::uint8_t { None, Rdap, Whois };

struct CheckItem {
    QString domain; // as typed
    QString tld;    // finds the candidate's catalogue entry
    CheckState state = CheckState::Pending;
    std::uint16_t queryId = 0;
    NotCheckedReason reason = NotCheckedReason::None;
    std::uint8_t rcode = 0; // the last code without a verdict (for ServerCode)
    bool sent = false;
    int probe = -1;     // the self-test of its suffix, an index into CheckTable::probes(); -1 none
    QString ascii = {}; // the form sent ("xn--" labels); empty when domain is sent as it is
    RegistryAnswer registry = RegistryAnswer::NotAsked;
    QString registryNote = {}; // Found: the registry's status words; Unknown: why
    RegistrySource registrySource = RegistrySource::None;
    QDate expires = {};              // the registration's end, where the registry gives it
    bool registeredNotInDns = false; // taken because its registry holds it, though not in the DNS
    bool alias = false; // taken: the name exists as an alias (CNAME), whatever its target
    bool mayBecomeFreeSoon = false; // in its redemption period or pending delete

    // Why no registry can take it, from the registration rules: set when planned. A hyphen rule
    // makes it NotRegistrable at once; a reservation only once the DNS says it does not exist.
    QString ruleReason = {};
    // Where a verdict came from when no query was sent: "in the zone file of 2026-07-23".
    QString verdictSource = {};

    const QString& wireName() const { return ascii.isEmpty() ? domain : ascii; }
};

// The self-test of one suffix: does it exist, and does a made-up name under it not?
struct SuffixProbe {
    enum class Trust : std::uint8_t { Trusted, SuffixUnknown, MadeUpNamesExist };

    QString suffix;
    QString madeUpName;
    Trust trust = Trust::Trusted; // until a probe's answer says otherwise
    bool suffixExists = false;    // the suffix came back NOERROR
    bool madeUpAbsent = false;    // the made-up name came back NXDOMAIN
    bool remembered = false;      // trust comes from an earlier test of this nameserver: not probed
    std::uint16_t suffixId = 0;   // the identifiers of its two queries
    std::uint16_t madeUpId = 0;

    // Whether trust is a finding rather than the benefit of the doubt.
    bool known() const {
        return remembered || trust != Trust::Trusted || (suffixExists && madeUpAbsent);
    }
};

// Candidates by result column 1..colCount and name row 1..NameCount (index 0 is unused), and the
// self-test probes of their suffixes, each query with a random identifier of its own.
class CheckTable {
public:
    void reset(int colCount, int nameCount);

    int colCount() const { return m_colCount; }
    int nameCount() const { return m_nameCount; }
    int candidateCount() const { return m_colCount * m_nameCount; }

    // Every candidate still without a reply becomes NotChecked, with why: the one reason given
    // (the run was cancelled, or could not start), else what became of its question.
    void markPendingNotChecked(std::optional<NotCheckedReason> why = std::nullopt);
    // The NotChecked candidates that could be sent become Pending again, their suffixes trusted
    // until tested afresh; how many were reopened.
    int reopenNotChecked();

    CheckItem& at(int c, int r) { return m_items[index(c, r)]; }
    const CheckItem& at(int c, int r) const { return m_items[index(c, r)]; }
    // The candidate at (c, r); nullptr outside the table.
    CheckItem* find(int c, int r) { return contains(c, r) ? &at(c, r) : nullptr; }
    const CheckItem* find(int c, int r) const { return contains(c, r) ? &at(c, r) : nullptr; }
    bool contains(int c, int r) const {
        return c >= 1 && c <= m_colCount && r >= 1 && r <= m_nameCount;
    }

    // Scans over every candidate, column by column.
    template <typename Predicate> int countIf(Predicate predicate) const {
        int count = 0;
        forEach([&](int, int, const CheckItem& item) { count += predicate(item) ? 1 : 0; });
        return count;
    }
    template <typename Predicate> bool anyOf(Predicate predicate) const {
        for (int c = 1; c <= m_colCount; ++c)
            for (int r = 1; r <= m_nameCount; ++r)
                if (predicate(at(c, r)))
                    return true;
        return false;
    }
    int count(CheckState state) const {
        return countIf([state](const CheckItem& item) { return item.state == state; });
    }
    bool contains(CheckState state) const {
        return anyOf([state](const CheckItem& item) { return item.state == state; });
    }
    // Calls f(c, r, item) for every candidate.
    template <typename F> void forEach(F f) const {
        for (int c = 1; c <= m_colCount; ++c)
            for (int r = 1; r <= m_nameCount; ++r)
                f(c, r, at(c, r));
    }
    template <typename F> void forEach(F f) {
        for (int c = 1; c <= m_colCount; ++c)
            for (int r = 1; r <= m_nameCount; ++r)
                f(c, r, at(c, r));
    }

    struct Cell {
        int c = 0;
        int r = 0;
    };

    std::vector<SuffixProbe>& probes() { return m_probes; }
    const std::vector<SuffixProbe>& probes() const { return m_probes; }
    int probeQueryCount() const { return static_cast<int>(m_probes.size()) * 2; }
    // The probe queries a run sends: none for a remembered suffix.
    int probeQueriesToSend() const;

    // Gives every candidate and probe query an identifier of its own, drawn from the system's
    // random source, so that a reply has to echo one it has seen; none is 0.
    void drawQueryIds();

private:
    std::size_t index(int c, int r) const {
        return static_cast<std::size_t>(c) * static_cast<std::size_t>(m_nameCount + 1) +
               static_cast<std::size_t>(r);
    }

    int m_colCount = 0;
    int m_nameCount = 0;
    std::vector<CheckItem> m_items{1};
    std::vector<SuffixProbe> m_probes;
};

} // namespace nomispot
