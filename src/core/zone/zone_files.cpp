#include "zone/zone_files.h"

#include "files/file_access.h"

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
            continue;
        }
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
    if (!QFileInfo::exists(indexPath))
        return QStringLiteral("Not indexed yet: indexed at the next check.");
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
