#include "engine/dns_message.h"

namespace nomispot {

std::optional<QByteArray> EncodeName(const QString& name) {
    const QByteArray text = name.toLatin1() + '.';
    QByteArray out;
    out.reserve(text.size() + 1);
    qsizetype start = 0;
    for (qsizetype dot = text.indexOf('.'); dot >= 0; dot = text.indexOf('.', start)) {
        const qsizetype length = dot - start;
        if (length > 255)
            return std::nullopt;
        out.append(static_cast<char>(length));
        out.append(text.constData() + start, length);
        start = dot + 1;
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

std::optional<ReplyVerdict> ParseReply(const QByteArray& datagram) {
    if (datagram.size() < 4)
        return std::nullopt;
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(datagram.at(i)); };
    ReplyVerdict v;
    v.id = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
    v.unavailable = (byte(3) & 0x1F) != 3;
    const int rcode = byte(3) & 0x0F;
    v.declined = rcode == 4 || rcode == 5;
    return v;
}

} // namespace nomispot
