#include "help/help_file.h"

#include "app_dirs.h"

#include <QStandardPaths>

namespace nomispot {

QString HelpFilePath(int kind, const QString& dataDir) {
    if (kind != 1)
        return {};
    return dataDir + QStringLiteral("/nomispot.qch");
}

QString helpCollectionPath() {
    QString dir = userDataDir();
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation) +
              QStringLiteral("/nomispot");
    return dir + QStringLiteral("/nomispot.qhc");
}

} // namespace nomispot
