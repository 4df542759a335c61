#pragma once

#include "app_dirs.h"

#include <QCoreApplication>
#include <QString>

class QWidget;

namespace nomispot {

// The help window and the help engine live in a library of their own, loaded the first time
// help is used: Qt Help and its database driver are not worth loading at every start.
struct HelpModule {
    // Registers the help file of dataDir with the help engine; false when that fails.
    bool (*registerHelp)(const QString& dataDir);
    // Opens the help window windowName on the help file of the given kind, or raises it.
    QWidget* (*showHelp)(const QString& dataDir, int kind, const QString& windowName,
                         QWidget* owner);
};

// The library's one entry point, extern "C": const HelpModule* nomispot_help_module().
inline constexpr char kHelpModuleEntry[] = "nomispot_help_module";

// The help library in dir, loaded on the first call; nullptr when it is missing or not a help
// library.
const HelpModule*
loadHelpModule(const QString& dir = helpLibraryDir(QCoreApplication::applicationDirPath()));

// Message when help cannot be set up or shown: the help file or the help library is unusable.
QString helpNotInstalledMessage();

} // namespace nomispot
