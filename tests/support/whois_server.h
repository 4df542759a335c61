#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <vector>

namespace nomispot::test {

// A real WHOIS server on a loopback address, TCP port 43 (tests/support/whois_server.py):
// answers from files named by the domain asked, or by its first label (slow, endless, closed,
// limited, refused, echo). Needs python3 and, for port 43, root: skipReason() says why it cannot
// run, and failed() is false when only the port is out of reach.
class LoopbackWhois {
public:
    LoopbackWhois(const QString& address, const QMap<QString, QByteArray>& files,
                  double slowSeconds = 3.0);
    ~LoopbackWhois();

    LoopbackWhois(const LoopbackWhois&) = delete;
    LoopbackWhois& operator=(const LoopbackWhois&) = delete;

    bool start();
    QString skipReason() const { return m_skipReason; }
    bool failed() const { return m_failed; }
    QString address() const { return m_address; }

    struct Event {
        double seconds = 0; // monotonic
        bool done = false;  // the answer's end; else a question's arrival
        QString line;
    };
    // Every question and answer's end so far, in order.
    std::vector<Event> events() const;

private:
    QString m_address;
    double m_slowSeconds;
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_skipReason;
    bool m_failed = false;
};

// A server table in the format of the shipped whois-servers.tsv: each TLD to its host.
QByteArray whoisServersTable(const QMap<QString, QString>& servers);

} // namespace nomispot::test
