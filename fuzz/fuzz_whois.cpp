// What WHOIS servers send: an answer of any bytes read against the answer wordings, and the two
// tables as a user might name them.

#include "fuzz_input.h"
#include "whois/whois_answer.h"
#include "whois/whois_directory.h"

#include <algorithm>

using namespace nomispot;

namespace {

// A few rows of each kind and match, traps included (data/whois-answers.tsv has them all).
const QByteArray kWordings = "tld\twhois_host\tkind\tphrase\tmatch\tsource\tnote\n"
                             "bo\th\tnot_found\twhois.nic.bo solo acepta consultas con dominios "
                             ".bo\tequals-trimmed/c\t\t\n"
                             "bo\th\tfound_marker\tDominio:\tline-starts/c\t\t\n"
                             "be\th\tfound_marker\tStatus:[[:space:]]+NOT AVAILABLE\tregex/c\t\t\n"
                             "be\th\tnot_found\tStatus:[[:space:]]+AVAILABLE\tregex/c\t\t\n"
                             "gf\th\tnot_found\tNO OBJECT FOUND!\tcontains/c\t\t\n"
                             "gf\th\tfound_marker\tdomain:\tline-starts/c\t\t\n"
                             "lu\th\trate_limited\tMaximum query rate reached\tcontains/c\t\t\n"
                             "dk\th\treserved\tOffered to waiting list\tcontains/c\t\t\n"
                             "tr\th\tencoding\twindows-1252\tequals-trimmed/i\t\t\n"
                             "*\t*\tnot_found\tNo match for\tcontains/c\t\t\n"
                             "*\t*\tnot_found\tNOT FOUND\tline-starts/c\t\t\n"
                             "*\t*\trate_limited\tlimit exceeded\tcontains/i\t\t\n"
                             "*\t*\trate_limited\ttry again later\tcontains/i\t\t\n"
                             "*\t*\treserved\treserved domain name\tcontains/i\t\t\n"
                             "*\t*\tfound_marker\tCreation Date:\tline-starts/i\t\t\n";

bool isSafe(const QString& text) {
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F) ||
               (c.unicode() >= 0x202A && c.unicode() <= 0x202E);
    });
}

void checkAnswer(const std::vector<WhoisWording>& wordings, const QString& domain,
                 const QByteArray& bytes) {
    const WhoisReading reading = readWhoisAnswer(wordings, domain, bytes);
    FUZZ_CHECK(isSafe(reading.reason) && reading.reason.size() <= 250);
    FUZZ_CHECK(isSafe(reading.record.registrar) && isSafe(reading.record.ldhName));
    for (const QString& status : reading.record.status)
        FUZZ_CHECK(isSafe(status) && !status.isEmpty());
    // A refusal is never a verdict, and a reserved name never free.
    if (reading.rateLimited)
        FUZZ_CHECK(reading.answer == RegistryAnswer::Unknown && !reading.reason.isEmpty());
    if (reading.reserved)
        FUZZ_CHECK(reading.answer == RegistryAnswer::Found);
    if (reading.answer == RegistryAnswer::Unknown)
        FUZZ_CHECK(!reading.reason.isEmpty());
    if (reading.answer == RegistryAnswer::Found)
        FUZZ_CHECK(!reading.record.ldhName.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<WhoisWording> wordings = [] {
        QStringList skipped;
        return parseWhoisWordings(kWordings, QStringLiteral("built-in"), skipped);
    }();
    fuzz::Input input(data, size);
    static const char* const kDomains[] = {"example.bo", "example.be", "example.gf", "example.lu",
                                           "example.dk", "example.tr", "example.zz"};
    const QString domain = QString::fromLatin1(kDomains[input.byte() % 7]);
    const QByteArray bytes = input.rest();
    checkAnswer(wordings, domain, bytes);

    // The same bytes as tables: never a crash, every kept server usable.
    QStringList skipped;
    WhoisDirectory directory;
    directory.servers = parseWhoisServers(bytes, QStringLiteral("fuzz"), skipped);
    directory.wordings = parseWhoisWordings(bytes, QStringLiteral("fuzz"), skipped);
    applyQueryForms(directory);
    for (const auto& [suffix, server] : directory.servers) {
        FUZZ_CHECK(!server.host.isEmpty() && server.port != 0);
        const QString line = whoisQueryLine(server, QStringLiteral("name.") + suffix);
        FUZZ_CHECK(!line.contains(u'\n') && !line.contains(u'\r'));
    }
    checkAnswer(directory.wordings, domain, bytes);
    return 0;
}
