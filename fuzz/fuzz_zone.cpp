// What zone files hold: any bytes read as master-file text, whole and cut in two pieces at a
// point the input picks; both readings must agree.

#include "fuzz_input.h"
#include "zone/master_file_parser.h"

#include <string>
#include <vector>

using namespace nomispot;

namespace {

struct Reading {
    std::vector<std::string> records; // owner, depth and type of each record
    MasterFileFacts facts;
};

Reading read(const QByteArray& text, qsizetype cut) {
    Reading reading;
    MasterFileParser parser([&reading](const ZoneRecord& record) {
        // Owners are printable ASCII in lower case: anything else is escaped as \DDD.
        for (const char c : record.owner)
            FUZZ_CHECK(c > 0x20 && c < 0x7F && !(c >= 'A' && c <= 'Z'));
        FUZZ_CHECK(record.labelsBelowApex >= 0);
        reading.records.push_back(std::string(record.owner) + '/' +
                                  std::to_string(record.labelsBelowApex) + '/' +
                                  std::to_string(record.type));
    });
    parser.feed(std::string_view(text.constData(), static_cast<std::size_t>(cut)));
    parser.feed(
        std::string_view(text.constData() + cut, static_cast<std::size_t>(text.size() - cut)));
    parser.finish();
    reading.facts = parser.facts();
    FUZZ_CHECK(reading.facts.problems.size() <= MasterFileParser::kProblemsKept);
    FUZZ_CHECK(reading.facts.skippedIncludes <= reading.facts.skippedLines);
    FUZZ_CHECK(reading.facts.records == static_cast<qint64>(reading.records.size()));
    return reading;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const int cutChoice = input.byte();
    const QByteArray text = input.rest();
    const qsizetype cut = text.isEmpty() ? 0 : cutChoice % (text.size() + 1);
    const Reading whole = read(text, text.size());
    const Reading pieces = read(text, cut);
    // Where the text is cut between pieces never changes what it says.
    FUZZ_CHECK(whole.records == pieces.records);
    FUZZ_CHECK(whole.facts.zone == pieces.facts.zone);
    FUZZ_CHECK(whole.facts.skippedLines == pieces.facts.skippedLines);
    FUZZ_CHECK(whole.facts.soaSerial == pieces.facts.soaSerial);
    return 0;
}
