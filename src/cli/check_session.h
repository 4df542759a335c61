#pragma once

#include "catalogue/tld_catalogue.h"
#include "cli_options.h"
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "rdap/bootstrap_refresh.h"
#include "rdap/registry_confirmation.h"
#include "settings/dns_settings.h"

#include <QObject>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace nomispot::cli {

class InterruptNotifier;
class ProgressReporter;

// One check from the command line, the way the results window runs it: names parsed, columns
// planned, the limit enforced, the query phase run, the results printed.
class CheckSession : public QObject {
    Q_OBJECT
public:
    struct Streams {
        std::FILE* in = stdin;
        std::FILE* out = stdout;
        std::FILE* err = stderr;
    };

    CheckSession(CliOptions options, QString dataDir, Streams streams, QObject* parent = nullptr);
    ~CheckSession() override;

    // Prepares and starts the run; done() follows, at once when the run cannot start.
    void start();

signals:
    void done(int exitStatus);

private:
    // Everything before the query phase; an exit status when the session ends without one.
    std::optional<int> prepare();
    void startQueries();
    void runQueries();
    // The DNS run is over: confirms the free names when asked to, then ends.
    void finish(int exitStatus);
    void confirmFreeNames(int exitStatus);
    // --refresh-registry-list: the refresh, reported; then the check when names were given.
    void refreshRegistryList();
    void end(int exitStatus);
    // Progress goes to standard error when asked for, or when it is a terminal.
    bool showsProgress() const;
    void printError(const QString& message) const;
    // False when they could not be written (the message is out).
    bool printResults() const;

    CliOptions m_options;
    QString m_dataDir;
    Streams m_streams;
    TldCatalogue m_catalogue;
    RegistrationRules m_registrationRules;
    RunPlan m_plan;
    DnsSettings m_dns;
    QueryRunner m_runner;
    std::unique_ptr<InterruptNotifier> m_interrupt;
    std::unique_ptr<ProgressReporter> m_progress;
    std::optional<RegistryDirectory> m_registries; // with --confirm
    std::unique_ptr<RegistryConfirmation> m_confirmation;
    // The registry list's refresh: --refresh-registry-list's, else the one a confirmation starts
    // with when due; what it came to, for the summary.
    std::unique_ptr<BootstrapRefresh> m_refresh;
    QString m_refreshNote;
    bool m_refreshFailed = false;
    bool m_done = false;
    bool m_sendFailed = false;
};

} // namespace nomispot::cli
