#include "catalogue/catalogue_file.h"

#include "files/file_access.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace nomispot {

QString DecodeLine(const QString& line) {
    QString out(line.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char16_t c = line[i].unicode();
        char16_t d = c;
        if (c >= 'A' && c <= 'Z')
            d = 155 - c;
        else if (c >= 'a' && c <= 'z')
            d = 219 - c;
        else {
            switch (c) {
            case ';':
                d = '?';
                break;
            case '?':
                d = ';';
                break;
            case '.':
                d = '{';
                break;
            case '{':
                d = '.';
                break;
            case '/':
                d = '}';
                break;
            case '}':
                d = '/';
                break;
            case '(':
                d = '-';
                break;
            case '-':
                d = '(';
                break;
            case ')':
                d = '@';
                break;
            case '@':
                d = ')';
                break;
            case ' ':
                d = '|';
                break;
            case '|':
                d = ' ';
                break;
            default:
                break;
            }
        }
        out[i] = QChar(d);
    }
    return out;
}

namespace {

// A control character (a NUL, a stray carriage return) cuts or garbles what the line would show.
bool hasControlCharacter(const QByteArray& line) {
    return std::any_of(line.cbegin(), line.cend(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

} // namespace

Result<LoadedCatalogue> LoadCatalogue(const QString& path) {
    // The file is about 20 KB; the bound only keeps a wrong file from being read without end.
    constexpr qint64 kMaxSize = 16 * 1024 * 1024;
    const Result<QByteArray, FileReadError> bytes = readRegularFile(path, kMaxSize);
    if (!bytes)
        return Failure{bytes.error().missing
                           ? missingCatalogueMessage(QFileInfo(path).path())
                           : unreadableCatalogueMessage(path, bytes.error().reason)};
    LoadedCatalogue result;
    TldCatalogue& catalogue = result.catalogue;

    const QByteArray& text = *bytes;
    int lineNumber = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArray raw = text.mid(start, end - start);
        start = end + 1;
        ++lineNumber;
        // Accept CR LF and a lone LF as the line end.
        if (raw.endsWith('\r'))
            raw.chop(1);
        // One character per byte, as the file was written.
        const QStringList fields = DecodeLine(QString::fromLatin1(raw)).split(u';');
        if (raw.isEmpty() || fields.size() < 3 || catalogue.count >= TldCatalogue::kSlots ||
            hasControlCharacter(raw)) {
            result.skippedLines.push_back(lineNumber);
            continue;
        }
        TldEntry& e = catalogue[catalogue.count];
        e.tld = fields[0];
        e.description = fields[1];
        e.registrySite = fields[2];
        e.subdomains = fields.size() > 3 ? fields[3] : QString();
        e.selected = 0;
        ++catalogue.count;
    }
    return result;
}

QString catalogueFilePath(const QString& dataDir) {
    return QDir(dataDir).filePath(QString::fromLatin1(kCatalogueFileName));
}

QString missingCatalogueTitle() {
    return QStringLiteral("Nomispot load error.");
}

QString missingCatalogueMessage(const QString& dataDir) {
    return QStringLiteral("Cannot find nspot.dll\rMake sure this file is in your Nomispot "
                          "directory.\r") +
           QDir::toNativeSeparators(dataDir);
}

QString unreadableCatalogueMessage(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot read nspot.dll: %1\rMake sure this file can be read.\r%2")
        .arg(reason, QDir::toNativeSeparators(path));
}

QString skippedLinesMessage(const QString& path, const std::vector<int>& lines) {
    QStringList numbers;
    const std::size_t shown = std::min<std::size_t>(lines.size(), 20);
    for (std::size_t i = 0; i < shown; ++i)
        numbers << QString::number(lines[i]);
    if (lines.size() > shown)
        numbers << QStringLiteral("and %1 more").arg(lines.size() - shown);
    return QStringLiteral("Some lines of %1 could not be read and were skipped:\rline %2")
        .arg(QDir::toNativeSeparators(path), numbers.join(QStringLiteral(", ")));
}

} // namespace nomispot
