#include "settings/settings_ops.h"

#include "settings/dns_input.h"
#include "settings/system_resolver.h"

#include <QDir>
#include <cstdint>
#include <limits>

namespace nomispot {

namespace {
const QString kMain = QString::fromLatin1(kSectionMain);
const QString kDomains = QString::fromLatin1(kSectionDomains);
} // namespace

void SaveDnsSettings(SettingsStore& store, const DnsSettings& dns) {
    store.write(kMain, QStringLiteral("dns"), dns.nameserver);
    store.write(kMain, QStringLiteral("retries"), QString::number(dns.retries));
    store.write(kMain, QStringLiteral("delay"), QString::number(dns.delayMs));
    store.flush();
}

void LoadDnsSettings(const SettingsStore& store, DnsSettings& dns) {
    dns.nameserver = store.contains(kMain, QStringLiteral("dns"))
                         ? store.read(kMain, QStringLiteral("dns"), QString())
                         : defaultNameserver();
    dns.retries = static_cast<std::uint8_t>(
        store.readNumber(kMain, QStringLiteral("retries"), kDefaultRetries, 0,
                         std::numeric_limits<std::uint8_t>::max()));
    dns.delayMs = static_cast<std::int16_t>(store.readNumber(
        kMain, QStringLiteral("delay"), kDefaultDelayMs, std::numeric_limits<std::int16_t>::min(),
        std::numeric_limits<std::int16_t>::max()));
}

DnsSettings firstRunDnsSettings(const SettingsStore& store) {
    DnsSettings dns;
    LoadDnsSettings(store, dns);
    if (dns.nameserver.trimmed().isEmpty())
        dns.nameserver = defaultNameserver();
    if (dns.delayMs < kMinDelayMs || dns.delayMs > kMaxDelayMs)
        dns.delayMs = kDefaultDelayMs;
    if (dns.retries < kMinRetries || dns.retries > kMaxRetries)
        dns.retries = kDefaultRetries;
    return dns;
}

void SaveTldSelection(SettingsStore& store, const TldCatalogue& catalogue) {
    for (int i = 0; i < catalogue.count; ++i)
        store.write(kDomains, catalogue[i].tld, QString::number(catalogue[i].selected));
    store.flush();
}

void LoadTldSelection(const SettingsStore& store, TldCatalogue& catalogue) {
    for (int i = 0; i < catalogue.count; ++i)
        catalogue[i].selected = static_cast<std::uint8_t>(store.readNumber(
            kDomains, catalogue[i].tld, 0, 0, std::numeric_limits<std::uint8_t>::max()));
}

bool isFirstRun(const SettingsStore& store) {
    const QString init = QStringLiteral("init");
    // Only the first-run set-up writes "init": a text that is no truth value still means it ran,
    // and running it again would overwrite the stored settings.
    return !store.contains(kMain, init) || store.readBool(kMain, init, false);
}

void markFirstRunDone(SettingsStore& store) {
    store.write(kMain, QStringLiteral("init"), QStringLiteral("False"));
    store.flush();
}

bool readUseUserDomains(const SettingsStore& store) {
    return store.read(kMain, QStringLiteral("domains"), QStringLiteral("default")) != u"default";
}

void writeUseUserDomains(SettingsStore& store, bool user) {
    store.write(kMain, QStringLiteral("domains"),
                user ? QStringLiteral("user") : QStringLiteral("default"));
    store.flush();
}

QStringList readZoneFiles(const SettingsStore& store) {
    QStringList files;
    for (const QString& file :
         store.readList(QString::fromLatin1(kSectionZone), QStringLiteral("files")))
        if (QDir::isAbsolutePath(file) && !file.contains(QChar(u'\0')))
            files << QDir::cleanPath(file);
    files.removeDuplicates();
    return files;
}

void writeZoneFiles(SettingsStore& store, const QStringList& files) {
    store.writeList(QString::fromLatin1(kSectionZone), QStringLiteral("files"), files);
    store.flush();
}

} // namespace nomispot
