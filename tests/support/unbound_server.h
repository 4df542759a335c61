#pragma once

#include "server_process.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace nomispot::test {

// A real unbound resolving on a loopback address, port 53 (UDP), for tests that need a
// recursive resolver in front of their NSD. Needs root and the unbound program; skipReason()
// says why it cannot run. Queries go out from 127.0.0.1 only, so names outside the stub zones
// fail fast (SERVFAIL) instead of reaching the real root servers.
class UnboundServer {
public:
    struct Options {
        // Zone name -> address of the authoritative server for it (port 53, loopback).
        QMap<QString, QString> stubZones;
        // Raw lines added at the end of the server: clause, after the defaults they may
        // override, e.g. local-zone: "blocked." always_nxdomain.
        QStringList extraServerLines;
    };

    UnboundServer(const QString& address, const Options& options);
    ~UnboundServer();

    UnboundServer(const UnboundServer&) = delete;
    UnboundServer& operator=(const UnboundServer&) = delete;

    // Waits for an answer to a probe (localhost NS), so an access-control line that drops
    // queries from 127.0.0.1 silently (deny) makes start() fail; "refuse" is fine.
    bool start();
    void stop();
    QString address() const { return m_address; }
    QString skipReason() const { return m_skipReason; }
    // Set when the server should have run but did not: a test failure, not a skip.
    bool failed() const { return m_failed; }
    QString log() const;

private:
    bool checkConfig(const QString& confPath);
    bool portIsFree() const;

    QString m_address;
    Options m_options;
    QTemporaryDir m_dir;
    ServerProcess m_process;
    QString m_skipReason;
    bool m_failed = false;
};

} // namespace nomispot::test

// Starts an unbound at address with options (a named UnboundServer::Options: a braced list
// would be split at its commas) into a local named var.
#define NOMISPOT_START_UNBOUND(var, address, options)                                              \
    nomispot::test::UnboundServer var(address, options);                                           \
    NOMISPOT_REQUIRE_SERVER_RUNNING(var)
