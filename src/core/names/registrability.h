#pragma once

#include "names/idna.h"
#include "result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>
#include <vector>

namespace nomispot {

inline constexpr auto kRegistrationRulesFileName = "registration-rules.tsv";

// Why its registry cannot take a name, and where that rule is written.
struct RuleVerdict {
    QString reason; // "a name cannot start with a hyphen"
    QString source; // "RFC 5891 section 4.2.3.1"
};

// The rules that say a registry cannot take a name, read from the shipped table (one rule a
// line: which TLDs, which labels, the reason and its source). Two kinds: hyphen rules, known
// before the DNS is asked (such names are never sent), and reservations, which count only when
// the DNS says the name does not exist (a reserved name that exists is taken).
//
// A default-constructed set holds the hyphen rules alone, with their usual reasons.
class RegistrationRules {
public:
    RegistrationRules();

    // The table's text; fails naming the first line that is not a rule.
    static Result<RegistrationRules> parse(const QByteArray& text);
    // The table at path; fails with a message naming the file.
    static Result<RegistrationRules> load(const QString& path);

    // Before asking: the hyphen rule the ASCII (DNS) form of a name breaks in any label.
    std::optional<RuleVerdict> beforeAsking(QStringView asciiName) const;
    // Once the DNS says asciiName does not exist: the reservation that keeps it from anyone.
    std::optional<RuleVerdict> ifFree(QStringView asciiName) const;

    int reservationCount() const { return static_cast<int>(m_reservations.size()); }

private:
    struct Reservation {
        QStringList tlds;   // lower case; empty with a class
        QString tldClass;   // "new-gtld": a class of the table
        QStringList labels; // second-level labels, lower case; or
        int length = 0;     // the second-level label's length
        RuleVerdict verdict;
    };
    // A class of TLDs: every TLD of at least minLetters letters a to z, but those listed.
    struct TldClass {
        QString name;
        int minLetters = 0;
        QStringList except;
    };

    bool inClass(const QString& className, const QString& tld) const;

    std::array<RuleVerdict, 3> m_hyphenRules; // by HyphenRule
    std::vector<Reservation> m_reservations;
    std::vector<TldClass> m_classes;
};

// The table of dataDir, or, when it cannot be read, the hyphen rules alone and a message saying
// that reserved names may show free.
struct LoadedRules {
    RegistrationRules rules;
    QString warning; // empty when the table was read
};
LoadedRules loadRegistrationRules(const QString& dataDir);

} // namespace nomispot
