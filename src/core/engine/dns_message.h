#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace nomispot {

inline constexpr std::uint16_t kQueryType = 2;  // NS
inline constexpr std::uint16_t kQueryClass = 1; // IN

// QNAME bytes of name, every '.' ending a label; nullopt when a label is longer than 255
// characters and so cannot be written with one length byte.
std::optional<QByteArray> EncodeName(const QString& name);

// One-question query with recursion desired; nullopt when the name cannot be encoded.
std::optional<QByteArray> BuildQuery(const QString& name, std::uint16_t id);

struct ReplyVerdict {
    std::uint16_t id = 0;
    bool unavailable = true;
    // The server declined to answer (REFUSED or NOTIMP): the reply says nothing about the name.
    bool declined = false;
};

// Reads bytes 0, 1 and 3 of a reply; nullopt for a datagram shorter than 4 bytes.
std::optional<ReplyVerdict> ParseReply(const QByteArray& datagram);

} // namespace nomispot
