// The data file: the line decoding on any text, and loading a file of any bytes.

#include "catalogue/catalogue_file.h"
#include "fuzz_input.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

using namespace nomispot;

namespace {

// The characters the encoding swaps with others; every other one stays as it is.
bool isMapped(QChar c) {
    static constexpr std::string_view kMapped =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz;?./{}()-@| ";
    return c.unicode() < 128 && kMapped.find(static_cast<char>(c.unicode())) != kMapped.npos;
}

void checkDecodeLine(const QString& text) {
    const QString decoded = DecodeLine(text);
    FUZZ_CHECK(decoded.size() == text.size());
    FUZZ_CHECK(DecodeLine(decoded) == text);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isMapped(text[i]))
            FUZZ_CHECK(decoded[i] != text[i] && isMapped(decoded[i]));
        else
            FUZZ_CHECK(decoded[i] == text[i]);
    }
}

// One file for the whole process, rewritten for every input: creating and removing a file
// each time would take most of the run's time.
const QString& dataFilePath() {
    static const QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("nspot.dll"));
    return path;
}

void checkLoad(const QByteArray& bytes) {
    QFile file(dataFilePath());
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    file.close();

    const Result<LoadedCatalogue> result = LoadCatalogue(file.fileName());
    FUZZ_CHECK(result.ok());
    const LoadedCatalogue& load = *result;
    const TldCatalogue& catalogue = load.catalogue;
    FUZZ_CHECK(catalogue.count >= 0 && catalogue.count <= TldCatalogue::kSlots);

    // Lines end in LF, CR LF, or the end of the file.
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    FUZZ_CHECK(catalogue.count + static_cast<qsizetype>(load.skippedLines.size()) == lines.size());

    int loaded = 0;
    std::size_t skipped = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray raw = lines[i];
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QStringList fields = DecodeLine(QString::fromLatin1(raw)).split(u';');
        const bool control = std::any_of(raw.cbegin(), raw.cend(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F;
        });
        if (raw.isEmpty() || fields.size() < 3 || loaded == TldCatalogue::kSlots || control) {
            FUZZ_CHECK(skipped < load.skippedLines.size() && load.skippedLines[skipped] == i + 1);
            ++skipped;
            continue;
        }
        const TldEntry& e = catalogue[loaded++];
        FUZZ_CHECK(e.tld == fields[0] && e.description == fields[1] &&
                   e.registrySite == fields[2] && e.subdomains == fields.value(3));
        FUZZ_CHECK(e.selected == 0);
    }
    FUZZ_CHECK(loaded == catalogue.count && skipped == load.skippedLines.size());
    for (int i = catalogue.count; i < TldCatalogue::kSlots; ++i) {
        const TldEntry& e = catalogue[i];
        FUZZ_CHECK(e.tld.isEmpty() && e.description.isEmpty() && e.registrySite.isEmpty() &&
                   e.subdomains.isEmpty() && e.selected == 0);
    }
    if (!load.skippedLines.empty()) {
        const QString message = skippedLinesMessage(file.fileName(), load.skippedLines);
        FUZZ_CHECK(message.contains(QString::number(load.skippedLines.front())));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkDecodeLine(QString::fromLatin1(bytes));
    // Any UTF-16 text too, lone surrogates included.
    QString wide(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(wide.data(), data, static_cast<std::size_t>(wide.size()) * 2);
    checkDecodeLine(wide);
    checkLoad(bytes);
    return 0;
}
