#include "names_input.h"

#include <QFile>
#include <QStringList>

namespace nomispot::cli {

QString joinLines(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines.join(u' ');
}

Result<QString> readNamesText(const CliOptions& options, std::FILE* input) {
    QStringList parts = options.names;
    if (!options.namesFile.isEmpty()) {
        QFile file(options.namesFile);
        if (!file.open(QIODevice::ReadOnly))
            return Failure{
                QStringLiteral("Cannot read %1: %2").arg(options.namesFile, file.errorString())};
        parts << joinLines(file.readAll());
    } else if (parts.isEmpty()) {
        QFile in;
        if (!in.open(input, QIODevice::ReadOnly))
            return Failure{QStringLiteral("Cannot read standard input: %1").arg(in.errorString())};
        parts << joinLines(in.readAll());
    }
    return parts.join(u' ');
}

} // namespace nomispot::cli
