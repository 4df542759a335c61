#pragma once

#include "engine/check_table.h"
#include "engine/query_runner.h"
#include "registry/registry_outcome.h"
#include "registry/registry_transport.h"
#include "settings/dns_settings.h"
#include "zone/zone_loader.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>

namespace nomispot {

class Registries;
class RegistryConfirmation;
struct RunTally;
struct SettingsHints;

// What a check is set to do besides asking the nameserver.
struct CheckSetup {
    QStringList zoneFiles;     // read (and indexed) at the first run; they answer for their zones
    QString zoneIndexDir;      // where the indexes are kept
    QString selfTestCachePath; // the self-test's findings kept for a day; empty: none kept
    // Each run's free names are asked at their registries when the queries are over, and with
    // FreeAndTakenNames its taken ones too (for their expiry).
    enum class Confirm { No, FreeNames, FreeAndTakenNames } confirm = Confirm::No;
    Registries* registries = nullptr; // the program's; needed to confirm
};

// One check, the way both programs run it: each run of a table goes through its stages (the zone
// files' answers, the nameserver's self-test and the queries, the registries' confirmation with
// the registry list's refresh when due) and reports them by signals. A check may hold several
// runs: the slices of a long list, a Check Again, a confirmation asked for later.
class CheckRun : public QObject {
    Q_OBJECT
public:
    enum class Stage {
        Idle,
        ReadingZoneFiles,
        Connecting, // the nameserver's address and the socket
        Querying,
        RefreshingRegistryList,
        Confirming,
        Finished,
    };
    // How a message is meant: an error, news the user wants, or an aside only a log needs.
    enum class Notice { Error, Info, Aside };

    explicit CheckRun(CheckSetup setup, QObject* parent = nullptr);
    ~CheckRun() override;

    // Checks table's pending candidates against dns; finished() or failed() follows, always from
    // the event loop. The table is the caller's and must outlive the run.
    void start(CheckTable& table, const DnsSettings& dns);
    // Asks dns again about table's not-checked candidates that could be sent, its suffixes
    // tested afresh; how many. Nothing starts when there are none.
    int checkAgain(CheckTable& table, const DnsSettings& dns);
    // Asks the registries about table's free names; finished() follows. Says so, and ends at
    // once, when there is nothing to ask or the registry lists cannot be read.
    void confirm(CheckTable& table);
    // A registry's answer from elsewhere (a look-up window) about the candidate at cell of table,
    // asked as ascii: kept when that is still the candidate there, no run is under way, and it
    // adds to what is known (a registration's details always do). Whether it was kept.
    bool keepRegistryAnswer(CheckTable& table, CheckTable::Cell cell, const QString& ascii,
                            const RegistryOutcome& outcome) const;
    // Stops the run: the answers so far stay, candidates still waiting end cancelled, names not
    // yet answered by their registry stay as the DNS left them; finished() follows at once.
    void cancel();

    Stage stage() const { return m_stage; }
    bool isActive() const { return m_stage != Stage::Idle && m_stage != Stage::Finished; }
    bool wasCancelled() const { return m_cancelled; }
    // A send error ended the run's queries.
    bool sendFailed() const { return m_sendFailed; }
    const DnsSettings& dns() const { return m_dns; }

    // Progress: the query phase while it lasts, the candidates answered (zone files included) of
    // progressMaximum(), the registries' answers of those asked.
    const QueryPhase* phase() const { return m_runner.phase(); }
    // The runner of the queries, for those who watch it (benchmarks, tests).
    QueryRunner& runner() { return m_runner; }
    int answered() const;
    int progressMaximum() const { return m_progressMaximum; }
    int registriesAnswered() const;
    int registriesAsked() const;
    // A host holding the confirmation back: resting, waiting as asked, or paced.
    std::optional<HostWait> registryWait() const;
    // "15 of 25 asked", and what holds the rest back: "; whois.example: resting 48 s after its
    // rate-limit notice".
    QString confirmationProgress() const;

    // The lines that say what the runs tallied could not check, what the zone files answered and
    // what the registries said (with the registry list's refresh): empty ones left out.
    QStringList summary(const RunTally& tally, const SettingsHints& hints) const;

signals:
    void stageChanged(nomispot::CheckRun::Stage stage);
    void cellChanged(int c, int r);
    void tableChanged(); // many cells at once
    void progressChanged();
    // While a zone file's index is built: the file, and its bytes read so far of its size.
    void zoneIndexing(const QString& file, qint64 done, qint64 total);
    void notice(const QString& message, nomispot::CheckRun::Notice kind);
    // The run is over: every candidate has its final state.
    void finished();
    // The nameserver or the network cannot be used: the run is over, its candidates still
    // waiting say so.
    void failed(const QString& message);

private:
    void setStage(Stage stage);
    // A new run on table against dns, with this many candidates to answer.
    void beginRun(CheckTable& table, const DnsSettings& dns, int candidates, bool testAfresh);
    void indexZoneFiles();
    void answerFromZoneFiles();
    void connectNameserver();
    void startQueries();
    void queriesOver();
    void beginConfirmation();
    void startConfirmation();
    void confirmationOver();
    void finish();

    CheckSetup m_setup;
    Stage m_stage = Stage::Idle;
    unsigned m_runs = 0; // runs started: a step queued for an earlier one is dropped
    CheckTable* m_table = nullptr;
    DnsSettings m_dns;
    QueryRunner m_runner;
    ZoneLoader m_zoneLoader;
    std::optional<ZoneFilesLoaded> m_zones; // once read
    int m_zoneAnswered = 0;                 // this run's candidates a zone file answered
    int m_progressMaximum = 0;
    bool m_testAfresh = false; // suffixes are probed whatever is remembered
    QString m_selfTestKey;     // the run's nameserver, once its address is known
    bool m_selfTestWarned = false;
    bool m_confirmAsked = false; // confirm(): told when there is nothing to ask
    std::unique_ptr<RegistryConfirmation> m_confirmation;
    QTimer m_confirmationTicker; // the progress moves while hosts hold questions back
    QString m_refreshNote;       // what the registry list's refresh came to
    bool m_cancelled = false;
    bool m_sendFailed = false;
};

} // namespace nomispot
