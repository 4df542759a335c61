#include "app_dirs.h"

#include "catalogue/catalogue_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString userDataDir() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/nomispot");
}

QString userCacheDir() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/nomispot");
}

QStringList formerUserDataDirs() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    // The application data folders of the window (organisation and name "Nomispot") and of
    // nomispot-check (no organisation).
    return {base + QStringLiteral("/Nomispot/Nomispot"), base + QStringLiteral("/nomispot-check")};
}

} // namespace nomispot
