#include "names/idna.h"

#include <QStringList>
#include <algorithm>
#include <memory>
#include <unicode/uidna.h>
#include <utility>

namespace nomispot {

namespace {

constexpr qsizetype kMaxLabelLength = 63;

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// Letters, digits and hyphen: all an ASCII label may hold.
bool isLdh(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           u == u'-';
}

QString phrase(const char* text) {
    return QString::fromLatin1(text);
}

constexpr const char* kNotALabel = "it is not a valid international (xn--) label";
constexpr const char* kNotConvertible = "international names cannot be converted here";
constexpr const char* kUts46Refuses = "the international rules (UTS #46) do not allow it";

QString tooLong(qsizetype length, bool encoded) {
    return (encoded ? QStringLiteral("it is longer than 63 characters once encoded (%1)")
                    : QStringLiteral("it is longer than 63 characters (%1)"))
        .arg(length);
}

// UTS #46 errors in words, the most telling first; a label too long comes last, so that a fault
// worth fixing is named before its length.
struct IcuReason {
    uint32_t errors;
    const char* reason;
};
constexpr IcuReason kIcuReasons[] = {
    {UIDNA_ERROR_EMPTY_LABEL, "it holds only characters that domain names drop"},
    {UIDNA_ERROR_LABEL_HAS_DOT, "it holds a character that stands for a full stop"},
    {UIDNA_ERROR_DISALLOWED, "it holds a character not allowed in domain names"},
    {UIDNA_ERROR_LEADING_HYPHEN, "a name cannot start with a hyphen"},
    {UIDNA_ERROR_TRAILING_HYPHEN, "a name cannot end with a hyphen"},
    {UIDNA_ERROR_HYPHEN_3_4, "a name cannot have hyphens in the third and fourth places"},
    {UIDNA_ERROR_PUNYCODE | UIDNA_ERROR_INVALID_ACE_LABEL, kNotALabel},
    {UIDNA_ERROR_LEADING_COMBINING_MARK, "it starts with a combining mark"},
    {UIDNA_ERROR_CONTEXTJ, "a zero-width joiner or non-joiner is not allowed there"},
    {UIDNA_ERROR_CONTEXTO_PUNCTUATION, "a middle dot or similar punctuation is not allowed there"},
    {UIDNA_ERROR_CONTEXTO_DIGITS, "it mixes Arabic-Indic digits of two kinds"},
    {UIDNA_ERROR_BIDI, "it mixes right-to-left and left-to-right writing"},
};

QString icuReason(uint32_t errors, qsizetype encodedLength) {
    for (const IcuReason& r : kIcuReasons)
        if (errors & r.errors)
            return phrase(r.reason);
    if (errors & UIDNA_ERROR_LABEL_TOO_LONG)
        return tooLong(encodedLength, true);
    return phrase(kUts46Refuses);
}

struct IdnaCloser {
    void operator()(UIDNA* idna) const { uidna_close(idna); }
};

// The UTS #46 converter, opened on first use: most ASCII labels do without it.
class Uts46 {
public:
    const UIDNA* get() {
        if (!std::exchange(m_opened, true)) {
            UErrorCode status = U_ZERO_ERROR;
            m_idna.reset(uidna_openUTS46(UIDNA_USE_STD3_RULES | UIDNA_CHECK_BIDI |
                                             UIDNA_CHECK_CONTEXTJ | UIDNA_CHECK_CONTEXTO |
                                             UIDNA_NONTRANSITIONAL_TO_ASCII,
                                         &status));
            if (U_FAILURE(status))
                m_idna.reset();
        }
        return m_idna.get();
    }

    // label converted one way or the other, with ICU's error bits; nothing when ICU fails.
    std::optional<QString> convert(QStringView label, bool toAscii, uint32_t& errors) {
        const UIDNA* idna = get();
        if (!idna)
            return std::nullopt;
        const auto convertLabel = toAscii ? uidna_labelToASCII : uidna_labelToUnicode;
        QString out(label.size() * 2 + 64, Qt::Uninitialized);
        // A second try with the length ICU asked for.
        for (int attempt = 0; attempt < 2; ++attempt) {
            UIDNAInfo info = UIDNA_INFO_INITIALIZER;
            UErrorCode status = U_ZERO_ERROR;
            const int32_t length = convertLabel(idna, reinterpret_cast<const UChar*>(label.utf16()),
                                                static_cast<int32_t>(label.size()),
                                                reinterpret_cast<UChar*>(out.data()),
                                                static_cast<int32_t>(out.size()), &info, &status);
            if (status == U_BUFFER_OVERFLOW_ERROR && attempt == 0) {
                out.resize(length);
                continue;
            }
            if (U_FAILURE(status) || length < 0)
                return std::nullopt;
            out.resize(length);
            errors = info.errors;
            return out;
        }
        return std::nullopt;
    }

    // Whether name, whole, breaks the bidi rule across its labels (RFC 5893): once one label is
    // right-to-left, every label must follow the rule, ASCII and "xn--" ones included.
    bool breaksBidiAcrossLabels(const QString& name) {
        const UIDNA* idna = get();
        if (!idna)
            return false;
        QString out(name.size() * 2 + 64, Qt::Uninitialized);
        for (int attempt = 0; attempt < 2; ++attempt) {
            UIDNAInfo info = UIDNA_INFO_INITIALIZER;
            UErrorCode status = U_ZERO_ERROR;
            const int32_t length = uidna_nameToASCII(
                idna, reinterpret_cast<const UChar*>(name.utf16()),
                static_cast<int32_t>(name.size()), reinterpret_cast<UChar*>(out.data()),
                static_cast<int32_t>(out.size()), &info, &status);
            if (status == U_BUFFER_OVERFLOW_ERROR && attempt == 0) {
                out.resize(length);
                continue;
            }
            return U_SUCCESS(status) && (info.errors & UIDNA_ERROR_BIDI) != 0;
        }
        return false;
    }

private:
    std::unique_ptr<UIDNA, IdnaCloser> m_idna;
    bool m_opened = false;
};

// An "xn--" label must decode to a label UTS #46 allows and encode back to itself.
std::optional<QString> aLabelProblem(Uts46& uts46, QStringView label) {
    if (!uts46.get())
        return phrase(kNotConvertible);
    uint32_t errors = 0;
    const std::optional<QString> unicode = uts46.convert(label, false, errors);
    if (!unicode)
        return phrase(kNotALabel);
    if (errors != 0)
        return icuReason(errors, label.size());
    const std::optional<QString> again = uts46.convert(*unicode, true, errors);
    if (!again || errors != 0 || again->compare(label, Qt::CaseInsensitive) != 0)
        return phrase(kNotALabel);
    return std::nullopt;
}

std::optional<QString> asciiLabelProblem(Uts46& uts46, QStringView label) {
    if (!std::all_of(label.begin(), label.end(), isLdh))
        return phrase("it holds a character not allowed in domain names");
    if (label.front() == u'-')
        return phrase("a name cannot start with a hyphen");
    if (label.back() == u'-')
        return phrase("a name cannot end with a hyphen");
    if (label.size() > kMaxLabelLength)
        return tooLong(label.size(), false);
    // "--" there is kept for encoded forms; "xn--" is the one in use.
    if (label.size() >= 4 && label[2] == u'-' && label[3] == u'-') {
        if (!label.startsWith(u"xn", Qt::CaseInsensitive))
            return phrase("a name cannot have hyphens in the third and fourth places");
        return aLabelProblem(uts46, label);
    }
    return std::nullopt;
}

constexpr uint32_t kHyphenErrors =
    UIDNA_ERROR_LEADING_HYPHEN | UIDNA_ERROR_TRAILING_HYPHEN | UIDNA_ERROR_HYPHEN_3_4;

std::optional<HyphenRule> hyphenRuleOf(Uts46& uts46, QStringView label) {
    if (label.isEmpty() || !std::all_of(label.begin(), label.end(), isLdh))
        return std::nullopt;
    if (label.front() == u'-')
        return HyphenRule::First;
    if (label.back() == u'-')
        return HyphenRule::Last;
    if (label.size() < 4 || label[2] != u'-' || label[3] != u'-')
        return std::nullopt;
    if (!label.startsWith(u"xn", Qt::CaseInsensitive))
        return HyphenRule::ThirdFourth;
    // Without the converter no "xn--" label can be judged: left to the label checks.
    if (!uts46.get())
        return std::nullopt;
    uint32_t errors = 0;
    if (uts46.convert(label, false, errors)) {
        if (errors & UIDNA_ERROR_LEADING_HYPHEN)
            return HyphenRule::First;
        if (errors & UIDNA_ERROR_TRAILING_HYPHEN)
            return HyphenRule::Last;
    }
    if (aLabelProblem(uts46, label))
        return HyphenRule::ThirdFourth;
    return std::nullopt;
}

// The DNS form of one label, or why it cannot be one. With HyphenLabels::Keep a label whose only
// fault is a hyphen rule is taken as it is (its "xn--" form for other scripts).
Result<QString> asciiLabel(Uts46& uts46, QStringView label,
                           HyphenLabels hyphens = HyphenLabels::Refuse) {
    if (label.isEmpty())
        return Failure{QStringLiteral("a name part cannot be empty")};
    if (isAscii(label)) {
        if (hyphens == HyphenLabels::Keep && hyphenRuleOf(uts46, label)) {
            // Too long to be a label at all: that is the fault to name.
            if (label.size() > kMaxLabelLength)
                return Failure{tooLong(label.size(), false)};
            return label.toString();
        }
        if (std::optional<QString> problem = asciiLabelProblem(uts46, label))
            return Failure{std::move(*problem)};
        return label.toString();
    }
    if (!uts46.get())
        return Failure{phrase(kNotConvertible)};
    uint32_t errors = 0;
    std::optional<QString> ascii = uts46.convert(label, true, errors);
    if (!ascii)
        return Failure{phrase(kUts46Refuses)};
    if (hyphens == HyphenLabels::Keep && errors != 0 && (errors & ~kHyphenErrors) == 0 &&
        ascii->size() <= kMaxLabelLength && isAscii(*ascii))
        return std::move(*ascii);
    if (errors != 0)
        return Failure{icuReason(errors, ascii->size())};
    return std::move(*ascii);
}

// Letters, digits and inner hyphens in labels of at most 63 characters, no "--" in places 3-4.
bool isPlainAsciiName(QStringView name) {
    qsizetype labelStart = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != u'.') {
            if (!isLdh(name[i]))
                return false;
            continue;
        }
        const QStringView label = name.mid(labelStart, i - labelStart);
        if (label.size() > kMaxLabelLength ||
            (!label.isEmpty() && (label.front() == u'-' || label.back() == u'-')) ||
            (label.size() >= 4 && label[2] == u'-' && label[3] == u'-'))
            return false;
        labelStart = i + 1;
    }
    return true;
}

} // namespace

bool isFullStop(QChar c) {
    const char16_t u = c.unicode();
    return u == u'.' || u == 0x3002 || u == 0xFF0E || u == 0xFF61;
}

QString withAsciiFullStops(QString text) {
    for (QChar& c : text)
        if (isFullStop(c))
            c = u'.';
    return text;
}

std::optional<QString> labelProblem(QStringView label) {
    Uts46 uts46;
    const Result<QString> ascii = asciiLabel(uts46, label);
    if (ascii)
        return std::nullopt;
    return ascii.error().message;
}

std::optional<HyphenRule> brokenHyphenRule(QStringView label) {
    Uts46 uts46;
    return hyphenRuleOf(uts46, label);
}

Result<QString> toAsciiName(const QString& name, HyphenLabels hyphens) {
    // The usual case first: plain ASCII labels without hyphens at their edges or in the third and
    // fourth places are their own ASCII form, whatever the rules on hyphens.
    if (isPlainAsciiName(name))
        return name;
    Uts46 uts46;
    QStringList labels = withAsciiFullStops(name).split(u'.');
    for (QString& label : labels) {
        if (label.isEmpty())
            continue; // the DNS checks refuse the name as a whole
        Result<QString> ascii = asciiLabel(uts46, label, hyphens);
        if (!ascii)
            return Failure{QStringLiteral("\"%1\" cannot be part of a domain name: %2")
                               .arg(label, ascii.error().message)};
        label = std::move(*ascii);
    }
    // Each label passed on its own; a right-to-left one binds the others too.
    const bool international = std::any_of(labels.begin(), labels.end(), [](const QString& label) {
        return label.startsWith(u"xn--", Qt::CaseInsensitive);
    });
    if (international && uts46.breaksBidiAcrossLabels(labels.join(u'.')))
        return Failure{QStringLiteral("\"%1\" cannot be a domain name: with a right-to-left part, "
                                      "every part must follow the rules for right-to-left "
                                      "writing (RFC 5893)")
                           .arg(name)};
    return labels.join(u'.');
}

} // namespace nomispot
