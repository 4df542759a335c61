#pragma once

#include "result.h"

#include <QIODevice>
#include <QString>
#include <QStringView>
#include <functional>

namespace nomispot {

// A name this long is no domain name (those end at 253); reading stops rather than keep it.
inline constexpr int kLongestNameRead = 1024;

// Reads names from text given in pieces (arguments, files, standard input): separators and line
// ends become one blank each, so the text reads as if typed in the names box. Stops at the first
// character no name may hold, naming its line, and at a name too long to be one. The text is
// handed out as it grows (takeText), so a caller reading without end keeps memory bounded.
class NamesReader {
public:
    enum class Step { More, Enough };

    // nameLimit: once more names than this are started, take() says Enough; -1: no limit.
    explicit NamesReader(qint64 nameLimit = -1) : m_nameLimit(nameLimit) {}

    // Starts a source: where names it in messages ("argument 2", a file's path); byLine: its
    // lines are counted and named.
    void beginSource(const QString& where, bool byLine);
    // Takes the next piece of the source.
    Result<Step> take(QStringView piece);
    // Ends a source: its last line needs no line end.
    Result<Step> finishSource();
    // The source's bytes were not UTF-8 at the current line.
    Failure notUtf8() const;

    // The complete names read so far that were not taken yet, one blank between them (a name
    // still being read stays for the next call).
    QString takeText();
    // Names started so far, over every source.
    qint64 nameCount() const { return m_names; }
    // "line 3 of names.txt", or the source's name.
    QString location() const;

private:
    Failure illegal() const;
    void endWord();

    qint64 m_nameLimit;
    QString m_where;
    bool m_byLine = false;
    QString m_text; // complete names, each followed by a blank
    QString m_word; // the name being read
    qint64 m_names = 0;
    qint64 m_line = 1;
    bool m_pendingCr = false;
};

// Feeds device to reader as UTF-8 in chunks, as one source named where. After each chunk
// afterChunk (when given) may take the text so far; returning false stops early (Step::Enough).
Result<NamesReader::Step> readNamesFrom(QIODevice& device, const QString& where,
                                        NamesReader& reader,
                                        const std::function<bool(NamesReader&)>& afterChunk = {});

// The most a names file may hold to be put in the names box.
inline constexpr qint64 kMostNamesFileBytes = 1024 * 1024;

// The names of the text file at path as one line for the names box: names separated by blanks,
// lines joined. Refused with a message naming the file when it is not a regular file, cannot be
// read, is larger than maxBytes, is not UTF-8 or holds a character no name may hold (its line).
Result<QString> readNamesFile(const QString& path, qint64 maxBytes = kMostNamesFileBytes);

} // namespace nomispot
