#include "names/startup.h"

#include "app_info.h"
#include "catalogue/catalogue_file.h"
#include "help/help_module.h"
#include "names/frm_main.h"
#include "settings/frm_options_first.h"
#include "settings/settings_ops.h"

namespace nomispot {

void StartupInit(AppState& state, QWidget* parent) {
    SettingsStore& store = *state.store;
    if (isFirstRun(store)) {
        // The help file is registered with the help engine once, where it will be read.
        const HelpModule* help = loadHelpModule();
        if (!help || !help->registerHelp(state.programDir))
            state.messages->show({appTitle(), helpNotInstalledMessage(), MessageIcon::Critical});
        markFirstRunDone(store);
        writeUseUserDomains(store, false);
        state.dns = {QString::fromLatin1(kPlaceholderNameserver), kDefaultDelayMs, kDefaultRetries};
        SaveDnsSettings(store, state.dns);
        SaveTldSelection(store, state.catalogue);
        frmOptionsFirst wizard(state, parent);
        wizard.exec();
    } else {
        LoadTldSelection(store, state.catalogue);
        LoadDnsSettings(store, state.dns);
    }
}

bool StartUp(frmMain& window, AppState& state) {
    const QString path = catalogueFilePath(state.programDir);
    const CatalogueLoad load = LoadCatalogue(path, state.catalogue);
    if (!load.opened) {
        state.messages->show({missingCatalogueTitle(), missingCatalogueMessage(state.programDir),
                              MessageIcon::Critical});
        return false;
    }
    if (!load.skippedLines.empty())
        state.messages->show({appTitle(), skippedLinesMessage(path, load.skippedLines),
                              MessageIcon::None});
    StartupInit(state, &window);
    window.show();
    return true;
}

} // namespace nomispot
