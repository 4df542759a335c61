#pragma once

#include "rdap/bootstrap_refresh.h"
#include "rdap/rdap_client.h"
#include "registry/registry_client.h"
#include "result.h"
#include "whois/whois_client.h"

#include <QObject>
#include <memory>
#include <optional>

namespace nomispot {

// Where every registry answers: RDAP servers from IANA's list (and the supplemental ones), WHOIS
// servers where a TLD has no RDAP server.
struct RegistryDirectory {
    RdapBootstrap rdap;
    WhoisDirectory whois;
};

// The registry list and the WHOIS table, as both programs use them.
Result<RegistryDirectory> loadRegistryDirectory(const QString& dataDir);

// Whether some registry can be asked about asciiDomain; when not, why in words.
std::optional<QString> noRegistryMessage(const RegistryDirectory& directory,
                                         const QString& asciiDomain);

// How politely registries are asked, by either service.
struct RegistryPolicy {
    RdapPolicy rdap;
    WhoisPolicy whois;
};

// A client asking over RDAP where the registry offers it, else over WHOIS.
std::unique_ptr<RegistryClient> makeRegistryClient(RegistryDirectory directory,
                                                   RegistryPolicy policy = {});

// The program's way to the registries, one for its whole life: the lists, read at the first use,
// the one client that asks (so that each host's pacing and rests hold across runs, windows and
// look-ups), and the registry list's refresh.
class Registries : public QObject {
    Q_OBJECT
public:
    explicit Registries(QString dataDir, RegistryPolicy policy = {}, QObject* parent = nullptr);
    ~Registries() override;

    // Reads the lists unless they are read already; a failure naming what cannot be read.
    Status load();
    // The client, once the lists are read; nullptr before.
    RegistryClient* client() { return m_client.get(); }
    // Why no registry can be asked about asciiDomain; nothing when one can or the lists are not
    // read.
    std::optional<QString> noRegistryMessage(const QString& asciiDomain) const;

    // Whether a confirmation starting now should refresh the registry list first.
    bool refreshDue() const;
    // Fetches the registry list (forced: whether due or not); refreshed() follows, after the
    // list in use is read again.
    void refresh(bool force);
    // Stops a refresh under way; no refreshed() follows.
    void cancelRefresh();
    const QString& dataDir() const { return m_dataDir; }

signals:
    void refreshed(const nomispot::BootstrapRefreshOutcome& outcome);

private:
    QString m_dataDir;
    RegistryPolicy m_policy;
    std::optional<RegistryDirectory> m_directory;
    std::unique_ptr<RegistryClient> m_client;
    std::unique_ptr<BootstrapRefresh> m_refresh;
};

} // namespace nomispot
