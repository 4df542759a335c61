#include "rdap/registry_client.h"

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

RegistryClient::RegistryClient(RegistryDirectory directory, RegistryPolicy policy, QObject* parent)
    : QObject(parent), m_rdap(std::move(directory.rdap), policy.rdap),
      m_whois(std::move(directory.whois), policy.whois) {
    connect(&m_rdap, &RdapClient::answered, this, &RegistryClient::answered);
    connect(&m_whois, &WhoisClient::answered, this, &RegistryClient::answered);
    connect(&m_rdap, &RdapClient::idle, this, &RegistryClient::clientIdle);
    connect(&m_whois, &WhoisClient::idle, this, &RegistryClient::clientIdle);
}

void RegistryClient::lookUp(int tag, const QString& asciiDomain) {
    // RDAP where the registry offers it; WHOIS only for registries without. A name neither
    // knows goes to RDAP too, which answers at once with why.
    if (!m_rdap.hasServerFor(asciiDomain) && m_whois.hasServerFor(asciiDomain))
        m_whois.lookUp(tag, asciiDomain);
    else
        m_rdap.lookUp(tag, asciiDomain);
}

void RegistryClient::cancel() {
    m_rdap.cancel();
    m_whois.cancel();
}

void RegistryClient::clientIdle() {
    if (pending() == 0)
        emit idle();
}

} // namespace nomispot
