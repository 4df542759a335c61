// The entry point of the help library, which the program loads when help is first used.

#include "help/help_module.h"
#include "help/help_window.h"

extern "C" Q_DECL_EXPORT const nomispot::HelpModule* nomispot_help_module() {
    static constexpr nomispot::HelpModule module{
        &nomispot::registerHelp,
        [](const QString& dataDir, int kind, const QString& windowName, QWidget* owner)
            -> QWidget* { return nomispot::ShowHelp(dataDir, kind, windowName, owner); }};
    return &module;
}
