#pragma once

#include "engine/check_table.h"
#include "registry/registration_record.h"
#include "whois/whois_directory.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace nomispot {

// What one WHOIS answer says about the domain asked.
struct WhoisReading {
    // Found: registered, or reserved (see below); NotFound: a "no match" wording of the server or
    // a safe generic one; Unknown: anything else, reason says what the answer said instead.
    RegistryAnswer answer = RegistryAnswer::Unknown;
    RegistrationRecord record; // Found: the name, statuses, registrar and dates the answer gives
    QString reason; // Unknown: the answer's first meaningful line; reserved: the line saying so
    bool rateLimited = false; // a refusal: asking again later may help
    // Reserved, restricted, blocked or on a waiting list: not free to register. Reported as Found
    // with the status "reserved" and reason holding the registry's line.
    bool reserved = false;
};

// The answer's text: UTF-8, or when its bytes are not, charset (ISO-8859-1 when none or unknown;
// windows-1252 is known). NUL bytes are dropped.
QString decodeWhoisText(const QByteArray& bytes, const QString& charset = {});

// Reads bytes, the whole answer to a question about asciiDomain, with the wordings of its TLD
// first and the generic ones as a fallback. Every text taken from the answer is cleaned.
WhoisReading readWhoisAnswer(const std::vector<WhoisWording>& wordings, const QString& asciiDomain,
                             const QByteArray& bytes);

// A date as WHOIS servers write them ("2030-01-31T00:00:00Z", "2030.01.31", "31.01.2030",
// "31-jan-2030", "2030/01/31 12:00:00 (UTC+8)", ...), in UTC; invalid when none is found.
QDateTime parseWhoisDate(const QString& text);

} // namespace nomispot
