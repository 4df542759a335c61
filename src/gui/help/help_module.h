#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

namespace nomispot {

// The help window and the help engine live in a library of their own, loaded the first time
// help is used: Qt Help and its database driver are not worth loading at every start.
struct HelpModule {
    // Registers the help file of programDir with the help engine; false when that fails.
    bool (*registerHelp)(const QString& programDir);
    // Opens the help window windowName on the help file of the given kind, or raises it.
    QWidget* (*showHelp)(const QString& programDir, int kind, const QString& windowName,
                         QWidget* owner);
};

// The library's one entry point, extern "C": const HelpModule* nomispot_help_module().
inline constexpr char kHelpModuleEntry[] = "nomispot_help_module";

// The help library next to the program, loaded on the first call; nullptr when it is missing
// or not a help library.
const HelpModule* loadHelpModule(const QString& dir = QCoreApplication::applicationDirPath());

// Message when help cannot be set up or shown: the help file or the help library is unusable.
QString helpNotInstalledMessage();

} // namespace nomispot
