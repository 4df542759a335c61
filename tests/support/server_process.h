#pragma once

#include "result.h"

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace nomispot::test {

// A DNS server program that tests start in the foreground on a loopback address, port 53.
class ServerProcess {
public:
    ~ServerProcess() { stop(); }

    // Starts program and waits up to 10 s until the server at address answers a query for
    // probeName; false with failure() set when it does not start, exits or never answers.
    bool start(const QString& program, const QStringList& arguments, const QString& address,
               const QString& probeName);
    void stop();
    QString failure() const { return m_failure; }
    // What the program wrote on its own output.
    QByteArray output() const;

private:
    std::unique_ptr<QProcess> m_process;
    QString m_failure;
};

// Whether a DNS server at address, port 53, gives any reply to a query for name.
bool answersOnPort53(const QString& address, const QString& name);

// The program's path in the system folders or on PATH; empty when it is not installed.
QString findServerProgram(const QString& name);

// The path of the server program name (from Debian's package of that name) when it can serve on
// port 53 here; fails with why not (no root, not installed).
Result<QString> serverProgram(const QString& name);

// Writes a config or zone file; false when it cannot.
bool writeTextFile(const QString& path, const QString& text);

// Writes the files a loopback test server answers from into dir; why it cannot, or empty.
QString writeServedFiles(const QString& dir, const QMap<QString, QByteArray>& files);
// Starts a test server written in Python (script, then arguments) on process; why it cannot, or
// empty (python3 missing says to install it).
QString startPythonScript(QProcess& process, const char* script, const QStringList& arguments);
// Kills process if it runs, and waits for it.
void killProcess(QProcess& process);

} // namespace nomispot::test

// Starts server, or ends the test function: skips where root or the program is missing, unless
// NOMISPOT_REQUIRE_NSD is set (as on CI); fails when the server does not answer.
#define NOMISPOT_REQUIRE_SERVER_RUNNING(server)                                                    \
    if (!(server).start()) {                                                                       \
        if ((server).failed() || qEnvironmentVariableIsSet("NOMISPOT_REQUIRE_NSD"))                \
            QFAIL(qPrintable((server).skipReason()));                                              \
        QSKIP(qPrintable((server).skipReason()));                                                  \
    }
