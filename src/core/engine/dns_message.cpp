#include "engine/dns_message.h"

#include <QList>

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
    if (!hasQuestion)
        return true;
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

std::optional<Reply> ParseReply(const QByteArray& datagram) {
    if (datagram.size() < 4)
        return std::nullopt;
    const auto byte = [&](qsizetype i) { return static_cast<std::uint8_t>(datagram.at(i)); };
    if ((byte(2) & 0x80) == 0)
        return std::nullopt; // a query, not a response
    Reply reply;
    reply.id = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
    reply.rcode = byte(3) & 0x0F;
    if (datagram.size() < kHeaderSize || (byte(4) << 8 | byte(5)) == 0)
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
    reply.questionName = datagram.mid(kHeaderSize, i - kHeaderSize);
    reply.hasQuestion = true;
    return reply;
}

} // namespace nomispot
