#pragma once

#include "catalogue/tld_catalogue.h"
#include "engine/run_plan.h"
#include "message_service.h"
#include "names/registrability.h"
#include "settings/dns_settings.h"
#include "settings/settings_store.h"

#include <QString>

namespace nomispot {

class Registries;

// What the windows share for the program's life: created at start-up, passed to every window.
// A run's own data is not here: it is planned at Check and held by its results window.
struct AppState {
    QString dataDir;
    TldCatalogue catalogue;
    RegistrationRules registrationRules; // read at start-up; the hyphen rules alone until then
    DnsSettings dns;
    SearchSet searchSet = SearchSet::DefaultList; // stored whenever it changes
    // Where the self-test's findings are kept for a day; empty: every run tests afresh.
    QString selfTestCachePath;
    // Where the indexes of zone files are kept; empty: zone files cannot be used.
    QString zoneIndexDir;

    // The program's one way to the registries, for every window.
    Registries* registries = nullptr;
    SettingsStore* store = nullptr;
    MessageService* messages = nullptr;
    ShellOpener* shell = nullptr;
};

} // namespace nomispot
