#include "names/startup.h"

#include "app_info.h"
#include "catalogue/catalogue_file.h"
#include "help/help_module.h"
#include "names/frm_main.h"
#include "settings/frm_options_first.h"
#include "settings/settings_ops.h"
#include "settings/system_resolver.h"
#include "window_frame.h"

namespace nomispot {

void StartupInit(AppState& state, QWidget* parent) {
    SettingsStore& store = *state.store;
    if (isFirstRun(store)) {
        // The help file is registered with the help engine once, where it will be read.
        const HelpModule* help = loadHelpModule();
        if (!help || !help->registerHelp(state.dataDir))
            state.messages->show({appTitle(), helpNotInstalledMessage(), MessageIcon::Critical});
        // What is stored and usable stays; the first-run values fill only the rest.
        state.dns = firstRunDnsSettings(store);
        state.searchSet = readUseUserDomains(store) ? SearchSet::Selection : SearchSet::DefaultList;
        LoadTldSelection(store, state.catalogue);
        markFirstRunDone(store);
        writeUseUserDomains(store, state.searchSet == SearchSet::Selection);
        SaveDnsSettings(store, state.dns);
        SaveTldSelection(store, state.catalogue);
        frmOptionsFirst wizard(state, parent);
        // The main window is not up yet: the wizard takes the middle of the screen.
        wizard.adjustSize();
        placeOnScreenCentre(&wizard);
        whenFramed(&wizard, [&wizard] { placeOnScreenCentre(&wizard); });
        wizard.exec();
    } else {
        LoadTldSelection(store, state.catalogue);
        LoadDnsSettings(store, state.dns);
        state.searchSet = readUseUserDomains(store) ? SearchSet::Selection : SearchSet::DefaultList;
    }
}

bool StartUp(frmMain& window, AppState& state) {
    const QString path = catalogueFilePath(state.dataDir);
    Result<LoadedCatalogue> loaded = LoadCatalogue(path);
    if (!loaded) {
        state.messages->show(
            {missingCatalogueTitle(), loaded.error().message, MessageIcon::Critical});
        return false;
    }
    if (!loaded->skippedLines.empty())
        state.messages->show(
            {appTitle(), skippedLinesMessage(path, loaded->skippedLines), MessageIcon::None});
    state.catalogue = std::move(loaded->catalogue);
    LoadedRules rules = loadRegistrationRules(state.dataDir);
    if (!rules.warning.isEmpty())
        state.messages->show({appTitle(), rules.warning, MessageIcon::None});
    state.registrationRules = std::move(rules.rules);
    if (const Status readable = checkSettingsReadable(state.store->path()); !readable)
        state.messages->show({appTitle(), readable.error().message, MessageIcon::Critical});
    StartupInit(state, &window);
    window.show();
    return true;
}

} // namespace nomispot
