#pragma once

#include "catalogue/tld_catalogue.h"
#include "engine/check_table.h"
#include "message_service.h"
#include "names/name_table.h"
#include "settings/dns_settings.h"
#include "settings/settings_store.h"

#include <QString>

namespace nomispot {

// The program's process-wide data, created once at start-up and passed to every window.
struct AppState {
    QString programDir;
    TldCatalogue catalogue;
    DnsSettings dns;
    NameTable names;
    CheckTable checkItems;

    SettingsStore* store = nullptr;
    MessageService* messages = nullptr;
    ShellOpener* shell = nullptr;
};

} // namespace nomispot
