#include "help/help_module.h"

#include <QDir>
#include <QLibrary>

namespace nomispot {

const HelpModule* loadHelpModule(const QString& dir) {
    // A library stays loaded once resolved, so a later call finds it at once.
    QLibrary library(QDir(dir).filePath(QStringLiteral("nomispot_help_window")));
    using Entry = const HelpModule* (*)();
    const auto entry = reinterpret_cast<Entry>(library.resolve(kHelpModuleEntry));
    return entry ? entry() : nullptr;
}

QString helpNotInstalledMessage() {
    return QStringLiteral("HTMLhelp not installed");
}

} // namespace nomispot
