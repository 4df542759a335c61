#include "run/registries.h"

namespace nomispot {

Result<RegistryDirectory> loadRegistryDirectory(const QString& dataDir) {
    Result<RdapBootstrap> rdap = loadRdapBootstrap(dataDir);
    if (!rdap)
        return rdap.error();
    Result<WhoisDirectory> whois = loadWhoisDirectory(dataDir);
    if (!whois)
        return whois.error();
    return RegistryDirectory{std::move(*rdap), std::move(*whois)};
}

std::optional<QString> noRegistryMessage(const RegistryDirectory& directory,
                                         const QString& asciiDomain) {
    if (rdapServerFor(directory.rdap, asciiDomain) || whoisServerFor(directory.whois, asciiDomain))
        return std::nullopt;
    return noRdapServerMessage(directory.rdap, asciiDomain);
}

std::unique_ptr<RegistryClient> makeRegistryClient(RegistryDirectory directory,
                                                   RegistryPolicy policy) {
    std::vector<std::unique_ptr<RegistryTransport>> services;
    services.push_back(std::make_unique<RdapClient>(std::move(directory.rdap), policy.rdap));
    services.push_back(std::make_unique<WhoisClient>(std::move(directory.whois), policy.whois));
    return std::make_unique<RegistryClient>(std::move(services));
}

Registries::Registries(QString dataDir, RegistryPolicy policy, QObject* parent)
    : QObject(parent), m_dataDir(std::move(dataDir)), m_policy(policy) {}

Registries::~Registries() = default;

Status Registries::load() {
    if (m_client)
        return Done{};
    Result<RegistryDirectory> directory = loadRegistryDirectory(m_dataDir);
    if (!directory)
        return directory.error();
    m_directory = std::move(*directory);
    m_client = makeRegistryClient(*m_directory, m_policy);
    return Done{};
}

std::optional<QString> Registries::noRegistryMessage(const QString& asciiDomain) const {
    if (!m_directory)
        return std::nullopt;
    return nomispot::noRegistryMessage(*m_directory, asciiDomain);
}

bool Registries::refreshDue() const {
    return automaticRefreshDue(m_dataDir);
}

void Registries::refresh(bool force) {
    m_refresh = std::make_unique<BootstrapRefresh>(m_dataDir);
    connect(m_refresh.get(), &BootstrapRefresh::finished, this,
            [this](const BootstrapRefreshOutcome& outcome) {
                // The list now in use; the one read before stays when it cannot be read.
                if (m_directory) {
                    if (Result<RdapBootstrap> reloaded = loadRdapBootstrap(m_dataDir)) {
                        m_directory->rdap = *reloaded;
                        m_client->service<RdapClient>()->setBootstrap(std::move(*reloaded));
                    }
                }
                emit refreshed(outcome);
            });
    m_refresh->start(force);
}

void Registries::cancelRefresh() {
    if (m_refresh)
        m_refresh->cancel();
}

} // namespace nomispot
