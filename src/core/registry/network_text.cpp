#include "registry/network_text.h"

#include <utility>

namespace nomispot {

namespace {

// Characters that can hide text, reorder it or drive a terminal: C0, DEL and C1 controls, the
// bidirectional marks, embeddings, overrides and isolates, the byte order mark and surrogates
// without their pair.
bool isUnsafe(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0xFEFF ||
           (c >= 0xD800 && c <= 0xDFFF);
}

// Calls visit with each code point of text until it returns false.
template <typename Visit> void forEachCodePoint(QStringView text, Visit visit) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (!visit(c))
            return;
    }
}

void append(QString& out, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(static_cast<char16_t>(c));
    }
}

} // namespace

QString cleanNetworkText(QStringView text, qsizetype maxChars) {
    QString out;
    qsizetype length = 0; // in code points
    bool blank = false;
    forEachCodePoint(text, [&](char32_t c) {
        if (QChar::isSpace(c)) {
            blank = !out.isEmpty();
            return true;
        }
        if (isUnsafe(c))
            return true;
        if (length + (blank ? 1 : 0) >= maxChars) {
            out += u'…';
            return false;
        }
        if (std::exchange(blank, false)) {
            out += u' ';
            ++length;
        }
        append(out, c);
        ++length;
        return true;
    });
    return out;
}

QString cleanNetworkLines(QStringView text, qsizetype lineChars) {
    QString out;
    out.reserve(text.size() + text.size() / lineChars);
    qsizetype column = 0;
    forEachCodePoint(text, [&](char32_t c) {
        if (c == u'\n') {
            out += u'\n';
            column = 0;
            return true;
        }
        if (c != u'\t' && isUnsafe(c))
            return true;
        if (column >= lineChars) {
            out += u'\n';
            column = 0;
        }
        append(out, c);
        ++column;
        return true;
    });
    return out;
}

} // namespace nomispot
