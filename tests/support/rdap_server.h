#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <vector>

namespace nomispot::test {

// A real HTTP server on a loopback address answering RDAP domain questions from files
// (tests/support/rdap_server.py): NAME.json (200), NAME.429, NAME.slow, NAME.status; anything
// else 404. Other paths serve a file by its name (FILE.modified: 304 when not modified since).
// Needs python3; skipReason() says why it cannot run.
class RdapServer {
public:
    RdapServer(const QString& address, const QMap<QString, QByteArray>& files);
    ~RdapServer();

    RdapServer(const RdapServer&) = delete;
    RdapServer& operator=(const RdapServer&) = delete;

    bool start();
    QString skipReason() const { return m_skipReason; }
    bool failed() const { return m_failed; }
    // Where the bootstrap file points: "http://address:port/rdap/".
    QString baseUrl() const;

    struct Request {
        double seconds = 0; // monotonic
        QString path;
        QString ifModifiedSince; // empty when not sent
    };
    // Every request so far, as it arrived.
    std::vector<Request> requests() const;

private:
    QString m_address;
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_skipReason;
    bool m_failed = false;
};

// An RDAP bootstrap file (IANA dns.json format) at path: each TLD to its server's base URL.
bool writeRdapBootstrap(const QString& path, const QMap<QString, QString>& servers);

// The answer a registry gives for a registered domain, with a registrar and dates.
QByteArray rdapDomainJson(const QString& name, const QString& registrar, const QString& registered,
                          const QString& expires);

} // namespace nomispot::test
