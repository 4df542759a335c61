#pragma once

#include "catalogue/tld_catalogue.h"
#include "cli_options.h"
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "engine/self_test_cache.h"
#include "rdap/bootstrap_refresh.h"
#include "rdap/registry_confirmation.h"
#include "results/run_summary.h"
#include "settings/dns_settings.h"
#include "zone/zone_answers.h"

#include <QElapsedTimer>
#include <QObject>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace nomispot::cli {

class InterruptNotifier;
class NamesStream;
class ProgressReporter;
class ResultsOutput;

// One check from the command line, the way the results window runs it, for a list of any
// length: names read a slice at a time, each slice planned and checked as one run of at most
// kMaxCombinations candidates, its rows written when it ends; one self-test for the whole list
// through the remembered findings.
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

    // Prepares and starts the check; done() follows, at once when it cannot start.
    void start();

signals:
    void done(int exitStatus);

private:
    enum class Stage { Idle, Network, Confirming };

    // Everything before the first run; an exit status when the session ends without one.
    std::optional<int> prepare();
    void loadZoneFiles();
    // Plans the next run from the next slice of names and starts it; ends after the last.
    void nextRun();
    std::optional<QStringList> takeSlice();
    void runQueries();
    // The run's DNS phase is over: its findings kept, its free names confirmed when asked to.
    void afterQueries();
    void confirmFreeNames();
    // Writes the run's rows, then goes on with the next run or ends.
    void writeRun();
    void interrupt();
    // --refresh-registry-list: the refresh, reported; then the check when names were given.
    void refreshRegistryList();
    void end(int exitStatus);
    // Progress goes to standard error when asked for, or when it is a terminal.
    bool showsProgress() const;
    QString progressLine() const;
    void printError(const QString& message) const;

    CliOptions m_options;
    QString m_dataDir;
    Streams m_streams;
    TldCatalogue m_catalogue;
    RegistrationRules m_registrationRules;
    DnsSettings m_dns;
    QueryRunner m_runner;
    std::unique_ptr<NamesStream> m_names;
    std::optional<qint64> m_totalNames; // when known before the check
    int m_bareColumns = 0;              // the columns of names without a suffix
    bool m_namesEnded = false;
    RunPlan m_plan;                     // the run under way
    std::vector<bool> m_alreadyWritten; // per candidate of the run: its row is in the resumed file
    Stage m_stage = Stage::Idle;
    RunTally m_tally;
    qint64 m_candidatesDone = 0;
    std::optional<qint64> m_candidatesTotal;
    QElapsedTimer m_clock;
    SelfTestCache m_selfTests;
    QString m_selfTestKey;
    bool m_selfTestWarned = false;
    ZoneIndexSet m_zones;
    std::unique_ptr<ResultsOutput> m_output;
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
    bool m_interrupted = false;
};

} // namespace nomispot::cli
