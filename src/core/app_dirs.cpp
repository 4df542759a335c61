#include "app_dirs.h"

#include "catalogue/catalogue_file.h"

#include <QDir>
#include <QFileInfo>

namespace nomispot {

QString appDataDir(const QString& programDir) {
    const QString fromEnvironment = qEnvironmentVariable(kDataDirEnv);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString installed =
        QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(NOMISPOT_DATA_DIR_FROM_BIN)));
    return QFileInfo::exists(catalogueFilePath(installed)) ? installed : programDir;
}

QString helpLibraryDir(const QString& programDir) {
    const QString installed =
        QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(NOMISPOT_LIBRARY_DIR_FROM_BIN)));
    return QFileInfo(installed).isDir() ? installed : programDir;
}

} // namespace nomispot
