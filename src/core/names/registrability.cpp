#include "names/registrability.h"

#include "files/file_access.h"

#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace nomispot {

namespace {

// The table is a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaxRulesSize = 1024 * 1024;
constexpr int kMaxLabelLength = 63;

std::size_t slotOf(HyphenRule rule) {
    return static_cast<std::size_t>(rule);
}

bool isLdhWord(QStringView word) {
    return !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'-';
    });
}

bool isLetters(QStringView word) {
    return std::all_of(word.begin(), word.end(),
                       [](QChar c) { return c.unicode() >= u'a' && c.unicode() <= u'z'; });
}

// Words separated by blanks or commas, lower case; nothing when one is not a DNS label.
std::optional<QStringList> labelList(const QString& text) {
    const QRegularExpression separators(QStringLiteral("[ ,]+"));
    const QStringList words = text.toLower().split(separators, Qt::SkipEmptyParts);
    if (words.isEmpty() ||
        !std::all_of(words.begin(), words.end(), [](const QString& w) { return isLdhWord(w); }))
        return std::nullopt;
    return words;
}

QString lineError(int line, const QString& what) {
    return QStringLiteral("line %1: %2").arg(line).arg(what);
}

} // namespace

RegistrationRules::RegistrationRules()
    : m_hyphenRules{{
          {QStringLiteral("a name cannot start with a hyphen"),
           QStringLiteral("RFC 1035 section 2.3.1; RFC 5891 section 4.2.3.1")},
          {QStringLiteral("a name cannot end with a hyphen"),
           QStringLiteral("RFC 1035 section 2.3.1; RFC 5891 section 4.2.3.1")},
          {QStringLiteral("a name cannot have hyphens in the third and fourth places unless it "
                          "is a valid international (xn--) name"),
           QStringLiteral("RFC 5891 section 4.2.3.1")},
      }} {}

Result<RegistrationRules> RegistrationRules::parse(const QByteArray& text) {
    RegistrationRules rules;
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList fields = line.split(u'\t');
        const QString kind = fields.first().trimmed();
        if (kind == u"tlds") {
            if (fields.size() != 4)
                return Failure{lineError(number, QStringLiteral("a class of TLDs needs 4 fields "
                                                                "separated by tabs"))};
            // "letters>=3 except a b c"
            const QRegularExpression definition(
                QStringLiteral("^letters>=(\\d+)(?:\\s+except\\s+(.+))?$"));
            const QRegularExpressionMatch m = definition.match(fields[2].trimmed());
            const QString name = fields[1].trimmed();
            if (!isLdhWord(name) || !m.hasMatch() || fields[3].trimmed().isEmpty())
                return Failure{lineError(number, QStringLiteral("a class of TLDs is written "
                                                                "\"tlds <name> letters>=N except "
                                                                "<TLDs> <source>\""))};
            TldClass tldClass{name, m.captured(1).toInt(), {}};
            if (m.hasCaptured(2)) {
                const std::optional<QStringList> except = labelList(m.captured(2));
                if (!except)
                    return Failure{lineError(number, QStringLiteral("\"%1\" is not a list of "
                                                                    "TLDs")
                                                         .arg(m.captured(2)))};
                tldClass.except = *except;
            }
            rules.m_classes.push_back(std::move(tldClass));
            continue;
        }
        if (kind != u"rule")
            return Failure{lineError(number, QStringLiteral("\"%1\" is neither \"rule\" nor "
                                                            "\"tlds\"")
                                                 .arg(kind))};
        if (fields.size() != 5)
            return Failure{lineError(number, QStringLiteral("a rule needs 5 fields separated by "
                                                            "tabs: rule, TLDs, labels, reason, "
                                                            "source"))};
        const QString tlds = fields[1].trimmed();
        const QString labels = fields[2].trimmed();
        RuleVerdict verdict{fields[3].trimmed(), fields[4].trimmed()};
        if (verdict.reason.isEmpty() || verdict.source.isEmpty())
            return Failure{lineError(number, QStringLiteral("a rule needs its reason and its "
                                                            "source"))};

        const std::array<std::pair<QStringView, HyphenRule>, 3> kHyphenRules{{
            {u"hyphen-first", HyphenRule::First},
            {u"hyphen-last", HyphenRule::Last},
            {u"hyphens-3-4", HyphenRule::ThirdFourth},
        }};
        const auto hyphen = std::find_if(kHyphenRules.begin(), kHyphenRules.end(),
                                         [&](const auto& h) { return h.first == labels; });
        if (hyphen != kHyphenRules.end()) {
            if (tlds != u"*")
                return Failure{lineError(number, QStringLiteral("a hyphen rule holds for every "
                                                                "TLD (\"*\")"))};
            rules.m_hyphenRules[slotOf(hyphen->second)] = std::move(verdict);
            continue;
        }

        Reservation reservation;
        reservation.verdict = std::move(verdict);
        if (labels.startsWith(u"second-level=")) {
            const std::optional<QStringList> list =
                labelList(labels.mid(QStringView(u"second-level=").size()));
            if (!list)
                return Failure{lineError(
                    number, QStringLiteral("\"%1\" is not a list of labels").arg(labels))};
            reservation.labels = *list;
        } else if (labels.startsWith(u"second-level-length=")) {
            bool ok = false;
            reservation.length = labels.mid(QStringView(u"second-level-length=").size()).toInt(&ok);
            if (!ok || reservation.length < 1 || reservation.length > kMaxLabelLength)
                return Failure{lineError(number, QStringLiteral("\"%1\" is not a length of 1 to "
                                                                "63")
                                                     .arg(labels))};
        } else {
            return Failure{lineError(
                number, QStringLiteral("\"%1\" is not hyphen-first, hyphen-last, hyphens-3-4, "
                                       "second-level=... or second-level-length=...")
                            .arg(labels))};
        }
        if (tlds != u"*") {
            const std::optional<QStringList> list = labelList(tlds);
            if (!list)
                return Failure{
                    lineError(number, QStringLiteral("\"%1\" is not a list of TLDs").arg(tlds))};
            const bool isClass =
                list->size() == 1 && std::any_of(rules.m_classes.begin(), rules.m_classes.end(),
                                                 [&](const TldClass& c) { return c.name == tlds; });
            if (isClass) {
                reservation.tldClass = tlds;
            } else {
                // A TLD holds no hyphen but in its xn-- form: anything else is a class not
                // defined above.
                for (const QString& tld : *list)
                    if (tld.contains(u'-') && !tld.startsWith(u"xn--"))
                        return Failure{lineError(
                            number,
                            QStringLiteral("no class of TLDs \"%1\" is defined above").arg(tld))};
                reservation.tlds = *list;
            }
        }
        rules.m_reservations.push_back(std::move(reservation));
    }
    return rules;
}

Result<RegistrationRules> RegistrationRules::load(const QString& path) {
    const Result<QByteArray, FileReadError> bytes = readRegularFile(path, kMaxRulesSize);
    if (!bytes)
        return bytes.error().failure(QStringLiteral("the registration rules"));
    Result<RegistrationRules> rules = parse(*bytes);
    if (!rules)
        return Failure{QStringLiteral("The registration rules %1 cannot be used: %2")
                           .arg(QDir::toNativeSeparators(path), rules.error().message)};
    return rules;
}

std::optional<RuleVerdict> RegistrationRules::beforeAsking(QStringView asciiName) const {
    for (QStringView label : asciiName.tokenize(u'.'))
        if (const std::optional<HyphenRule> rule = brokenHyphenRule(label))
            return m_hyphenRules[slotOf(*rule)];
    return std::nullopt;
}

bool RegistrationRules::inClass(const QString& className, const QString& tld) const {
    const auto it = std::find_if(m_classes.begin(), m_classes.end(),
                                 [&](const TldClass& c) { return c.name == className; });
    return it != m_classes.end() && tld.size() >= it->minLetters && isLetters(tld) &&
           !it->except.contains(tld);
}

std::optional<RuleVerdict> RegistrationRules::ifFree(QStringView asciiName) const {
    QStringView name = asciiName;
    if (name.endsWith(u'.'))
        name.chop(1);
    // Only names right under a TLD: what its registry hands out.
    const qsizetype dot = name.indexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1 || name.indexOf(u'.', dot + 1) >= 0)
        return std::nullopt;
    const QStringView label = name.left(dot);
    // Asked for every candidate: the label, which rarely matches, is looked at first.
    QString tld;
    for (const Reservation& r : m_reservations) {
        const bool labelMatches =
            r.length > 0 ? label.size() == r.length
                         : std::any_of(r.labels.begin(), r.labels.end(), [label](const QString& l) {
                               return label.compare(l, Qt::CaseInsensitive) == 0;
                           });
        if (!labelMatches)
            continue;
        if (tld.isEmpty())
            tld = name.mid(dot + 1).toString().toLower();
        if (!r.tldClass.isEmpty() ? inClass(r.tldClass, tld)
                                  : r.tlds.isEmpty() || r.tlds.contains(tld))
            return r.verdict;
    }
    return std::nullopt;
}

LoadedRules loadRegistrationRules(const QString& dataDir) {
    const QString path = QDir(dataDir).filePath(QString::fromLatin1(kRegistrationRulesFileName));
    Result<RegistrationRules> rules = RegistrationRules::load(path);
    if (rules)
        return {std::move(*rules), {}};
    return {RegistrationRules(),
            rules.error().message +
                QStringLiteral("\rOnly the rules on hyphens apply: names a registry keeps for "
                               "itself may show as free.")};
}

} // namespace nomispot
