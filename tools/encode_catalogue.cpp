// Encodes the readable TLD table into the program's data file, line for line, CR LF endings.
#include "catalogue/catalogue_file.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TABLE OUTPUT\n", argv[0]);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QByteArray out;
    int lines = 0;
    while (!in.atEnd()) {
        QByteArray line = in.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        out += nomispot::DecodeLine(QString::fromLatin1(line)).toLatin1() + "\r\n";
        ++lines;
    }
    if (lines > nomispot::TldCatalogue::kSlots) {
        std::fprintf(stderr, "%s has %d entries; at most %d fit\n", argv[1], lines,
                     nomispot::TldCatalogue::kSlots);
        return 1;
    }
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
