#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace nomispot {

inline constexpr std::uint16_t kQueryType = 2;  // NS
inline constexpr std::uint16_t kQueryClass = 1; // IN

inline constexpr int kMaxLabelLength = 63;
inline constexpr int kMaxNameLength = 253;

// Response codes that carry a verdict; every other code says nothing about the name.
inline constexpr std::uint8_t kRcodeNoError = 0;
inline constexpr std::uint8_t kRcodeNameError = 3;
inline constexpr std::uint8_t kRcodeServerFailure = 2;
inline constexpr std::uint8_t kRcodeNotImplemented = 4;
inline constexpr std::uint8_t kRcodeRefused = 5;

// The name without the root's final dot.
QStringView withoutRoot(const QString& name);

// True for an ASCII name of labels of 1 to 63 octets, at most 253 octets in all; one final dot
// (the root) is allowed.
bool isValidDomainName(const QString& name);

// QNAME bytes of a valid name; nullopt for any other.
std::optional<QByteArray> EncodeName(const QString& name);

// One-question query with recursion desired; nullopt when the name is not valid.
std::optional<QByteArray> BuildQuery(const QString& name, std::uint16_t id);

struct Reply {
    std::uint16_t id = 0;
    std::uint8_t rcode = 0;  // the low 4 bits of byte 3
    bool truncated = false;  // TC: the answer did not fit, what came is incomplete
    QByteArray questionName; // QNAME of the one question; empty when there is none
    std::uint16_t questionType = 0;
    std::uint16_t questionClass = 0;
    bool hasQuestion = false; // exactly one question, read whole
    // The answer section holds a CNAME owned by the question's name: the name exists as an
    // alias, whatever its target (NXDOMAIN for a target that does not exist).
    bool alias = false;

    // True when the reply echoes the question asked about name: one question, that name
    // (ASCII case ignored), the type and class sent.
    bool isAbout(const QString& name) const;
};

// A response's identifier, code, question and whether it names an alias. nullopt for what is no
// response to read: fewer than 4 bytes, the QR bit clear, or a question that cannot be read.
std::optional<Reply> ParseReply(const QByteArray& datagram);

} // namespace nomispot
