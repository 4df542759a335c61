#pragma once

#include "rdap/rdap_client.h"
#include "whois/whois_client.h"

#include <QObject>

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

// Asks each domain's registry: over RDAP where it has a server, else over WHOIS; a domain
// neither knows is answered at once, Unknown with why.
class RegistryClient : public QObject {
    Q_OBJECT
public:
    explicit RegistryClient(RegistryDirectory directory, RegistryPolicy policy = {},
                            QObject* parent = nullptr);

    void lookUp(int tag, const QString& asciiDomain);
    void cancel();
    int pending() const { return m_rdap.pending() + m_whois.pending(); }

signals:
    void answered(int tag, const nomispot::RegistryOutcome& outcome);
    void idle(); // the last pending question was answered

private:
    void clientIdle();

    RdapClient m_rdap;
    WhoisClient m_whois;
};

} // namespace nomispot
