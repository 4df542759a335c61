// Text typed into the names box: validation, normalising, splitting and the two check modes.
// The first byte picks the mode and how the rest becomes text.

#include "fuzz_input.h"
#include "names/idna.h"
#include "names/name_parser.h"

#include <QString>
#include <QStringList>
#include <cstring>
#include <memory>

using namespace nomispot;
using nomispot::fuzz::Input;

namespace {

bool isSeparator(char16_t u) {
    return u == u' ' || u == u';' || u == u',';
}

// ASCII letters, digits, '-' and '.'; letters of other scripts as the parser takes them.
bool isNameCharacter(char16_t u) {
    if (u >= 0x80)
        return isAllowedNameCharacter(QChar(u));
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           u == u'-' || u == u'.';
}

QString textFrom(std::uint8_t how, const QByteArray& bytes) {
    switch (how % 3) {
    case 0:
        return QString::fromLatin1(bytes);
    case 1:
        return QString::fromUtf8(bytes);
    default: {
        QString s(bytes.size() / 2, Qt::Uninitialized);
        std::memcpy(s.data(), bytes.constData(), static_cast<std::size_t>(s.size()) * 2);
        return s;
    }
    }
}

// The words of text: runs of characters between separators.
QStringList wordsOf(const QString& text) {
    QStringList words;
    QString word;
    for (const QChar c : text) {
        if (isSeparator(c.unicode())) {
            if (!word.isEmpty())
                words << word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.isEmpty())
        words << word;
    return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t how = in.byte();
    const CheckMode mode = how & 1 ? CheckMode::Combinations : CheckMode::Separately;
    const QString typed = textFrom(how >> 1, in.rest());

    const Result<NameTable, NameRefusal> out = parseNames(typed, mode);
    // The full stops of other scripts are read as '.'.
    QString text = typed;
    for (QChar& c : text)
        if (c == QChar(0x3002) || c == QChar(0xFF0E) || c == QChar(0xFF61))
            c = u'.';

    qsizetype illegal = -1;
    for (qsizetype i = 0; i < text.size() && illegal < 0; ++i)
        if (!isNameCharacter(text[i].unicode()) && !isSeparator(text[i].unicode()))
            illegal = i;
    if (illegal >= 0) {
        FUZZ_CHECK(!out && out.error().reason == NameRefusal::Illegal &&
                   out.error().illegalPosition == illegal);
        return 0;
    }
    if (text.count(u' ') == text.size()) {
        FUZZ_CHECK(!out && out.error().reason == NameRefusal::Blank);
        return 0;
    }

    const QStringList words = wordsOf(text);
    const bool complete = text.contains(u'.');
    const qsizetype n = words.size();
    const qsizetype needed = complete || mode == CheckMode::Separately ? n : n * n;
    if (needed > NameTable::kSlots) {
        FUZZ_CHECK(!out && out.error().reason == NameRefusal::TooManyNames &&
                   out.error().neededSlots == needed && out.error().namesNeedSuffix == !complete);
        return 0;
    }

    // Names may still make no label (UTS #46; a hyphen rule only makes them not registrable);
    // each refused one is named.
    bool convertible = true;
    for (const QString& w : words)
        convertible = convertible && toAsciiName(w, HyphenLabels::Keep).ok();
    if (!out) {
        FUZZ_CHECK(out.error().reason == NameRefusal::Illegal && !out.error().detail.isEmpty());
        // Words that each make labels fail only when joined into combinations.
        FUZZ_CHECK(!convertible || (!complete && mode == CheckMode::Combinations));
        return 0;
    }
    const NameTable& table = *out;
    FUZZ_CHECK(table.NameCount() == needed);
    FUZZ_CHECK(table.NamesNeedSuffix == !complete);
    // What is sent is ASCII, and an ASCII name is sent exactly as typed.
    for (const QString& name : table.Names) {
        const Result<QString> ascii = toAsciiName(name, HyphenLabels::Keep);
        FUZZ_CHECK(ascii.ok());
        for (const QChar c : *ascii)
            FUZZ_CHECK(c.unicode() < 0x80);
        bool plain = true;
        for (const QChar c : name)
            plain = plain && c.unicode() < 0x80;
        FUZZ_CHECK(!plain || *ascii == name);
    }
    for (const QString& name : table.Names) {
        FUZZ_CHECK(!name.isEmpty());
        for (const QChar c : name)
            FUZZ_CHECK(isNameCharacter(c.unicode()));
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (complete || mode == CheckMode::Separately) {
            FUZZ_CHECK(table.Names[i] == words[i]);
            continue;
        }
        // Every word with every other in both orders; a word alone where it meets itself.
        for (qsizetype j = 0; j < n; ++j)
            FUZZ_CHECK(table.Names[i * n + j] == (i == j ? words[i] : words[i] + words[j]));
    }
    return 0;
}
