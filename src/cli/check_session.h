#pragma once

#include "catalogue/tld_catalogue.h"
#include "cli_options.h"
#include "engine/run_plan.h"
#include "results/run_summary.h"
#include "settings/dns_settings.h"

#include <QElapsedTimer>
#include <QObject>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace nomispot {
class CheckRun;
class Registries;
} // namespace nomispot

namespace nomispot::cli {

class InterruptNotifier;
class NamesStream;
class ProgressReporter;
class ResultsOutput;

// One check from the command line for a list of any length: names read a slice at a time, each
// slice planned and checked by the check run as one run of at most kMaxCombinations candidates,
// its rows written when it ends; what it shows is the output and the progress line.
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
    // Everything before the first run; an exit status when the session ends without one.
    std::optional<int> prepare();
    void connectRun();
    // Plans the next run from the next slice of names and starts it; ends after the last.
    void nextRun();
    std::optional<QStringList> takeSlice();
    // Marks the candidates the resumed file has rows for; whether any is left to check.
    bool skipWrittenRows(CheckTable& table) const;
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
    // The session's one way to the registries: pacing and rests hold from run to run.
    std::unique_ptr<Registries> m_registries;
    std::unique_ptr<CheckRun> m_run;
    std::unique_ptr<NamesStream> m_names;
    std::optional<qint64> m_totalNames; // when known before the check
    int m_bareColumns = 0;              // the columns of names without a suffix
    bool m_namesEnded = false;
    RunPlan m_plan; // the run under way
    RunTally m_tally;
    qint64 m_candidatesDone = 0;
    std::optional<qint64> m_candidatesTotal;
    QElapsedTimer m_clock;
    struct ZoneIndexing {
        QString file;
        qint64 done = 0;
        qint64 total = 0;
    } m_indexing; // the zone file whose index is built, while one is
    std::unique_ptr<ResultsOutput> m_output;
    std::unique_ptr<InterruptNotifier> m_interrupt;
    std::unique_ptr<ProgressReporter> m_progress;
    bool m_listRefreshed = false; // --refresh-registry-list: done
    bool m_refreshFailed = false;
    bool m_done = false;
    bool m_interrupted = false;
};

} // namespace nomispot::cli
