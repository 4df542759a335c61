#pragma once

#include "catalogue/tld_catalogue.h"
#include "settings/dns_settings.h"
#include "settings/settings_store.h"

namespace nomispot {

inline constexpr auto kSectionMain = "main";
inline constexpr auto kSectionDomains = "domains";
inline constexpr auto kSectionZone = "zone";

void SaveDnsSettings(SettingsStore& store, const DnsSettings& dns);
void LoadDnsSettings(const SettingsStore& store, DnsSettings& dns);
void SaveTldSelection(SettingsStore& store, const TldCatalogue& catalogue);
void LoadTldSelection(const SettingsStore& store, TldCatalogue& catalogue);

// The DNS settings a first run starts from: what is stored and within the DNS dialog's ranges,
// the defaults for what is missing or not (a first run never overwrites a usable value).
DnsSettings firstRunDnsSettings(const SettingsStore& store);

// First run when "init" is absent or true; any other text counts as set-up done.
bool isFirstRun(const SettingsStore& store);
void markFirstRunDone(SettingsStore& store);

// The search-set choice: true for the personal selection ("domains" is not "default").
bool readUseUserDomains(const SettingsStore& store);
void writeUseUserDomains(SettingsStore& store, bool user);

// The zone files the window's runs answer from: absolute paths, each once. Entries that are not
// (empty, relative, repeated) are left out; a stored value that is no list gives none.
QStringList readZoneFiles(const SettingsStore& store);
void writeZoneFiles(SettingsStore& store, const QStringList& files);

} // namespace nomispot
