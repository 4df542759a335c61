#pragma once

#include "server_process.h"

#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace nomispot::test {

// A real NSD serving the zones a test writes, on a loopback address, port 53.
// Needs root and the nsd program; skipReason() says why it cannot run.
class NsdServer {
public:
    // zones: zone name ("." for the root) -> records below its SOA and NS (zone file lines,
    // relative names).
    NsdServer(const QString& address, const QMap<QString, QString>& zones);
    ~NsdServer();

    bool start();
    void stop();
    QString address() const { return m_address; }
    QString skipReason() const { return m_skipReason; }
    // Set when the server should have run but did not: a test failure, not a skip.
    bool failed() const { return m_failed; }
    QString log() const;
    // The zone file written for zone ("." for the root) once started.
    QString zoneFilePath(const QString& zone) const;

    // The zones most tests need: com and net with "taken" registered, uk with co.uk and org.uk.
    static QMap<QString, QString> standardZones();

private:
    QString m_address;
    QMap<QString, QString> m_zones;
    QTemporaryDir m_dir;
    ServerProcess m_process;
    QString m_skipReason;
    bool m_failed = false;
};

} // namespace nomispot::test

// Starts an NSD at address with zones into a local named var.
#define NOMISPOT_START_NSD(var, address, zones)                                                    \
    nomispot::test::NsdServer var(address, zones);                                                 \
    NOMISPOT_REQUIRE_SERVER_RUNNING(var)
