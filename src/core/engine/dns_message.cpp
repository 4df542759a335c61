#include "engine/dns_message.h"

#include <QList>
#include <algorithm>

namespace nomispot {

namespace {

constexpr int kHeaderSize = 12;

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

QStringView withoutRoot(const QString& name) {
    return name.endsWith(u'.') ? QStringView(name).chopped(1) : QStringView(name);
}

bool isValidDomainName(const QString& name) {
    const QStringView text = withoutRoot(name);
    if (text.isEmpty() || text.size() > kMaxNameLength)
        return false;
    qsizetype label = 0;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
        if (c == u'.') {
            if (label == 0)
                return false;
            label = 0;
        } else if (++label > kMaxLabelLength) {
            return false;
        }
    }
    return label > 0;
}

std::optional<QByteArray> EncodeName(const QString& name) {
    if (!isValidDomainName(name))
        return std::nullopt;
    const QByteArray text = withoutRoot(name).toLatin1();
    QByteArray out;
    out.reserve(text.size() + 2);
    for (const QByteArray& label : text.split('.')) {
        out.append(static_cast<char>(label.size()));
        out.append(label);
    }
    out.append('\0');
    return out;
}

std::optional<QByteArray> BuildQuery(const QString& name, std::uint16_t id) {
    const auto qname = EncodeName(name);
    if (!qname)
        return std::nullopt;
    QByteArray q;
    q.reserve(16 + qname->size());
    q.append(static_cast<char>(id >> 8));
    q.append(static_cast<char>(id & 0xFF));
    q.append('\x01'); // RD
    q.append('\x00');
    q.append("\x00\x01\x00\x00\x00\x00\x00\x00", 8); // QDCOUNT 1, no other sections
    q.append(*qname);
    q.append(static_cast<char>(kQueryType >> 8));
    q.append(static_cast<char>(kQueryType & 0xFF));
    q.append(static_cast<char>(kQueryClass >> 8));
    q.append(static_cast<char>(kQueryClass & 0xFF));
    return q;
}

bool Reply::isAbout(const QString& name) const {
    if (!hasQuestion || questionType != kQueryType || questionClass != kQueryClass)
        return false;
    // Walks the wire labels and the dotted text side by side; ParseReply left a final 0.
    const QStringView text = withoutRoot(name);
    qsizetype t = 0;
    qsizetype q = 0;
    for (bool first = true;; first = false) {
        const int length = static_cast<std::uint8_t>(questionName[q++]);
        if (length == 0)
            return t == text.size();
        if (!first && (t >= text.size() || text[t++] != u'.'))
            return false;
        if (t + length > text.size())
            return false;
        for (int i = 0; i < length; ++i) {
            const char16_t c = text[t++].unicode();
            const char wire = questionName[q++];
            if (c >= 0x80 || wire == '.' || lowerAscii(wire) != lowerAscii(static_cast<char>(c)))
                return false;
        }
    }
}

namespace {

constexpr std::uint16_t kTypeCname = 5;
// Answer records looked at for an alias; a real answer to one question has a few.
constexpr int kMostAnswers = 64;
// Compression pointers followed in one name.
constexpr int kMostPointers = 16;

// The name at pos (compression pointers followed), its labels in lower case in wire form; pos
// moves past it. nullopt for a name that cannot be read.
std::optional<QByteArray> readName(const QByteArray& message, qsizetype& pos) {
    QByteArray name;
    qsizetype at = pos;
    bool jumped = false;
    for (int pointers = 0;;) {
        if (at >= message.size())
            return std::nullopt;
        const int length = static_cast<std::uint8_t>(message[at]);
        if ((length & 0xC0) == 0xC0) {
            if (at + 1 >= message.size() || ++pointers > kMostPointers)
                return std::nullopt;
            if (!jumped)
                pos = at + 2;
            jumped = true;
            at = (length & 0x3F) << 8 | static_cast<std::uint8_t>(message[at + 1]);
            continue;
        }
        if (length > kMaxLabelLength || at + 1 + length > message.size() ||
            name.size() + 1 + length > 255)
            return std::nullopt;
        name.append(static_cast<char>(length));
        for (int i = 0; i < length; ++i)
            name.append(lowerAscii(message[at + 1 + i]));
        at += 1 + length;
        if (length == 0)
            break;
    }
    if (!jumped)
        pos = at;
    return name;
}

} // namespace

std::optional<Reply> ParseReply(const QByteArray& datagram) {
    if (datagram.size() < 4)
        return std::nullopt;
    const auto byte = [&](qsizetype i) { return static_cast<std::uint8_t>(datagram.at(i)); };
    const auto word = [&](qsizetype i) {
        return static_cast<std::uint16_t>(byte(i) << 8 | byte(i + 1));
    };
    if ((byte(2) & 0x80) == 0)
        return std::nullopt; // a query, not a response
    Reply reply;
    reply.id = word(0);
    reply.rcode = byte(3) & 0x0F;
    reply.truncated = (byte(2) & 0x02) != 0;
    if (datagram.size() < kHeaderSize || word(4) == 0)
        return reply;

    // The first question's name: plain labels up to the root; a pointer has nothing to point to.
    qsizetype i = kHeaderSize;
    while (true) {
        if (i >= datagram.size())
            return std::nullopt;
        const int length = byte(i);
        if (length > kMaxLabelLength || i + 1 + length > datagram.size())
            return std::nullopt;
        i += 1 + length;
        if (length == 0)
            break;
    }
    if (i + 4 > datagram.size())
        return std::nullopt;
    reply.questionName = datagram.mid(kHeaderSize, i - kHeaderSize);
    reply.questionType = word(i);
    reply.questionClass = word(i + 2);
    i += 4;
    // More than one question is no echo of the one asked.
    reply.hasQuestion = word(4) == 1;
    if (!reply.hasQuestion)
        return reply;

    // An answer record of type CNAME owned by the name asked: the name exists as an alias.
    QByteArray asked = reply.questionName;
    for (char& c : asked)
        c = lowerAscii(c);
    const int answers = std::min<int>(word(6), kMostAnswers);
    for (int a = 0; a < answers && !reply.alias; ++a) {
        const std::optional<QByteArray> owner = readName(datagram, i);
        if (!owner || i + 10 > datagram.size())
            break;
        const std::uint16_t type = word(i);
        const std::uint16_t length = word(i + 8);
        i += 10 + length;
        if (i > datagram.size())
            break;
        reply.alias = type == kTypeCname && *owner == asked;
    }
    return reply;
}

} // namespace nomispot
