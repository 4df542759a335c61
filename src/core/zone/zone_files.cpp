#include "zone/zone_files.h"

#include "files/file_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace nomispot {

namespace {

// "1 name", "1,234 names"
QString counted(qint64 n, const QString& one, const QString& many) {
    return QLocale(QLocale::English).toString(n) + u' ' + (n == 1 ? one : many);
}

QString sentence(QString text) {
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

// Beside a zone file's index, why the file could not be used at the last check, after the size
// and time it had then: the list of zone files tells it until the file changes.
QString failurePath(const QString& indexDir, const QString& zonePath) {
    return zoneIndexPath(indexDir, zonePath) + QStringLiteral(".failed");
}

QByteArray identityOf(const QString& zonePath) {
    const QFileInfo file(zonePath);
    return QByteArray::number(file.size()) + ' ' +
           QByteArray::number(file.lastModified().toMSecsSinceEpoch());
}

// The failure kept for zonePath as it is now; empty when none is, or the file has changed.
QString keptFailure(const QString& indexDir, const QString& zonePath) {
    QFile kept(failurePath(indexDir, zonePath));
    if (!kept.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = kept.read(4096);
    const qsizetype end = text.indexOf('\n');
    if (end < 0 || text.left(end) != identityOf(zonePath))
        return {};
    return QString::fromUtf8(text.mid(end + 1)).trimmed();
}

} // namespace

ZoneFilesLoaded loadZoneFiles(const QStringList& files, const QString& indexDir,
                              const ZoneFilesProgress& progress) {
    ZoneFilesLoaded loaded;
    for (int i = 0; i < files.size(); ++i) {
        bool built = false;
        const ZoneProgress fileProgress = [&](qint64 done, qint64 total) {
            built = true;
            if (progress && !progress(i, done, total))
                loaded.cancelled = true;
            return !loaded.cancelled;
        };
        Result<ZoneIndex> index = loadZoneIndex(files[i], indexDir, fileProgress);
        if (loaded.cancelled)
            break;
        if (!index) {
            loaded.failures << sentence(index.error().message);
            // Kept for the list of zone files; losing it costs only that line.
            if (!indexDir.isEmpty() && QDir().mkpath(indexDir))
                (void)writeFileWhole(failurePath(indexDir, files[i]),
                                     identityOf(files[i]) + '\n' +
                                         loaded.failures.constLast().toUtf8());
            continue;
        }
        if (!indexDir.isEmpty())
            QFile::remove(failurePath(indexDir, files[i]));
        if (built)
            if (const QString notice = skippedLinesNotice(index->facts()); !notice.isEmpty())
                loaded.notices << notice;
        loaded.zones.add(std::move(*index));
    }
    return loaded;
}

QString zoneFileStatus(const QString& zonePath, const QString& indexDir) {
    if (const Result<Done, FileReadError> regular = checkRegularFile(zonePath); !regular)
        return sentence(regular.error().failure(QStringLiteral("the zone file")).message);
    if (indexDir.isEmpty())
        return QStringLiteral("There is no cache folder to keep its index in.");
    const QString indexPath = zoneIndexPath(indexDir, zonePath);
    if (!QFileInfo::exists(indexPath)) {
        if (const QString failure = keptFailure(indexDir, zonePath); !failure.isEmpty())
            return QStringLiteral("Not used at the last check: %1").arg(failure);
        return QStringLiteral("Not indexed yet: indexed at the next check.");
    }
    const Result<ZoneIndex> index = ZoneIndex::open(indexPath);
    if (!index)
        return QStringLiteral("Its index is damaged: built again at the next check.");
    if (!index->isCurrentFor(zonePath))
        return QStringLiteral("Changed since it was indexed: indexed again at the next check.");
    const ZoneIndexFacts& facts = index->facts();
    QString status =
        QStringLiteral("%1, %2: %3")
            .arg(facts.zone, facts.date.toString(Qt::ISODate),
                 counted(facts.names, QStringLiteral("name"), QStringLiteral("names")));
    if (facts.skippedLines > 0)
        status += QStringLiteral(", ") + counted(facts.skippedLines, QStringLiteral("line skipped"),
                                                 QStringLiteral("lines skipped"));
    return status;
}

QString zoneFilesMessage(const ZoneFilesLoaded& loaded) {
    QStringList lines = loaded.failures;
    if (!loaded.failures.isEmpty())
        lines << (loaded.failures.size() == 1
                      ? QStringLiteral("Its names are asked of the DNS instead.")
                      : QStringLiteral("Their names are asked of the DNS instead."));
    lines << loaded.notices;
    return lines.join(u'\r');
}

} // namespace nomispot
