#include "check_session.h"

#include "catalogue/catalogue_file.h"
#include "engine/self_test_cache.h"
#include "files/file_access.h"
#include "interrupt_notifier.h"
#include "names/name_table.h"
#include "names_input.h"
#include "progress_reporter.h"
#include "results_output.h"
#include "resume_file.h"
#include "run/check_run.h"
#include "run/registries.h"
#include "run_settings.h"
#include "settings/settings_ops.h"
#include "settings/settings_store.h"
#include "zone/zone_index.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace nomispot::cli {

namespace {

// The program's messages join their lines with a carriage return; a terminal wants a line feed.
QString terminalText(QString message) {
    message.replace(u'\r', u'\n');
    if (!message.endsWith(u'\n'))
        message += u'\n';
    return message;
}

bool holdsCompleteNames(const QStringList& names) {
    return std::any_of(names.begin(), names.end(), [](const QString& name) {
        return name.contains(u'.') || name.contains(QChar(0x3002)) ||
               name.contains(QChar(0xFF0E)) || name.contains(QChar(0xFF61));
    });
}

// "1:05:07", "4:09", "12 s"
QString durationText(qint64 seconds) {
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QChar(u'0'))
            .arg(s, 2, 10, QChar(u'0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QChar(u'0'));
}

RegistryPolicy registryPolicy(const CliOptions& options) {
    RegistryPolicy policy;
    if (options.registryTimeoutSeconds)
        policy.rdap.timeout = policy.whois.timeout =
            std::chrono::seconds(*options.registryTimeoutSeconds);
    return policy;
}

} // namespace

CheckSession::CheckSession(CliOptions options, QString dataDir, Streams streams, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_dataDir(std::move(dataDir)),
      m_streams(streams),
      m_registries(std::make_unique<Registries>(m_dataDir, registryPolicy(m_options))) {}

CheckSession::~CheckSession() = default;

void CheckSession::start() {
    if (m_options.refreshRegistryList && !m_listRefreshed) {
        refreshRegistryList();
        return;
    }
    if (const std::optional<int> status = prepare()) {
        m_done = true;
        emit done(*status);
        return;
    }
    // Installed before the first run, so that Ctrl+C from here on still writes what came back.
    m_interrupt = std::make_unique<InterruptNotifier>();
    connect(m_interrupt.get(), &InterruptNotifier::interrupted, this, &CheckSession::interrupt);
    m_clock.start();
    if (showsProgress()) {
        m_progress =
            std::make_unique<ProgressReporter>([this] { return progressLine(); }, m_streams.err);
        m_progress->start();
    }
    nextRun();
}

void CheckSession::refreshRegistryList() {
    connect(
        m_registries.get(), &Registries::refreshed, this,
        [this](const BootstrapRefreshOutcome& outcome) {
            m_listRefreshed = true;
            const bool alone = m_options.names.isEmpty() && m_options.namesFile.isEmpty();
            m_refreshFailed = outcome.kind == BootstrapRefreshOutcome::Failed;
            const QString report = refreshSummary(outcome);
            // Standard output holds the results when names are checked.
            if (m_refreshFailed || !alone) {
                printError(report);
            } else {
                std::fputs(terminalText(report).toLocal8Bit().constData(), m_streams.out);
                std::fflush(m_streams.out);
            }
            if (!alone) {
                start();
                return;
            }
            m_done = true;
            emit done(m_refreshFailed ? kExitNetwork : kExitOk);
        },
        Qt::SingleShotConnection);
    m_registries->refresh(true);
}

std::optional<int> CheckSession::prepare() {
    Result<LoadedCatalogue> loaded = LoadCatalogue(catalogueFilePath(m_dataDir));
    if (!loaded) {
        printError(loaded.error().message);
        return kExitBadInput;
    }
    if (!loaded->skippedLines.empty())
        printError(skippedLinesMessage(catalogueFilePath(m_dataDir), loaded->skippedLines));
    m_catalogue = std::move(loaded->catalogue);
    LoadedRules rules = loadRegistrationRules(m_dataDir);
    if (!rules.warning.isEmpty())
        printError(rules.warning);
    m_registrationRules = std::move(rules.rules);

    // A settings file named on the command line must be there: another one would be used silently.
    // It must be a regular file, too: a pipe or a device would be read without end.
    if (!m_options.settingsPath.isEmpty()) {
        if (const Result<Done, FileReadError> named = checkRegularFile(m_options.settingsPath);
            !named) {
            printError(named.error().failure(QStringLiteral("the settings file")).message);
            return kExitBadInput;
        }
    }
    const SettingsStore store(m_options.settingsPath.isEmpty() ? SettingsStore::defaultPath()
                                                               : m_options.settingsPath);
    const Result<DnsSettings> dns = resolveRunSettings(store, m_options);
    if (!dns) {
        printError(dns.error().message);
        return kExitBadInput;
    }
    m_dns = *dns;
    LoadTldSelection(store, m_catalogue);
    m_bareColumns = static_cast<int>(
        planColumns(true, m_options.searchSet, m_catalogue, m_options.tlds).size());

    // A file's names are counted first: its refusals come before anything is sent, and progress
    // knows the total.
    const Result<std::optional<qint64>> count = countNames(m_options);
    if (!count) {
        printError(count.error().message);
        return kExitBadInput;
    }
    m_totalNames = *count;
    m_names = std::make_unique<NamesStream>(m_options, m_streams.in);

    if (m_options.confirm) {
        if (const Status loaded = m_registries->load(); !loaded) {
            printError(loaded.error().message);
            return kExitBadInput;
        }
    }
    if (!m_options.resumePath.isEmpty()) {
        Result<ResumeFile> resume = ResumeFile::open(m_options);
        if (!resume) {
            printError(resume.error().message);
            return kExitBadInput;
        }
        if (!resume->notice().isEmpty())
            printError(resume->notice());
        m_output = std::make_unique<ResultsOutput>(std::move(*resume));
    } else {
        m_output = std::make_unique<ResultsOutput>(m_streams.out, m_options.format);
    }
    CheckSetup setup;
    setup.zoneFiles = m_options.zoneFiles;
    setup.zoneIndexDir = defaultZoneIndexDir();
    if (m_options.selfTest)
        setup.selfTestCachePath = SelfTestCache::defaultPath();
    if (m_options.confirm)
        setup.confirm = m_options.expiry ? CheckSetup::Confirm::FreeAndTakenNames
                                         : CheckSetup::Confirm::FreeNames;
    setup.registries = m_registries.get();
    m_run = std::make_unique<CheckRun>(std::move(setup));
    connectRun();
    return std::nullopt;
}

void CheckSession::connectRun() {
    connect(m_run.get(), &CheckRun::finished, this, &CheckSession::writeRun);
    connect(m_run.get(), &CheckRun::failed, this, [this](const QString& message) {
        printError(message);
        end(kExitNetwork);
    });
    connect(m_run.get(), &CheckRun::notice, this,
            [this](const QString& message) { printError(message); });
    connect(m_run.get(), &CheckRun::zoneIndexing, this,
            [this](const QString& file, qint64 done, qint64 total) {
                m_indexing = {file, done, total};
            });
}

std::optional<QStringList> CheckSession::takeSlice() {
    // Combinations join every two names: the list is one run, refused when too large.
    if (m_options.mode == CheckMode::Combinations) {
        Result<QStringList> names = m_names->next(NameTable::kSlots + 1);
        m_namesEnded = true;
        if (!names) {
            printError(names.error().message);
            return std::nullopt;
        }
        return *names;
    }
    // With N columns a run takes 2048 / N names; a name with more columns than that is refused.
    const qint64 bare = std::max(1, kMaxCombinations / std::max(m_bareColumns, 1));
    Result<QStringList> names = m_names->next(bare);
    if (names && holdsCompleteNames(*names) && bare < kMaxCombinations) {
        // Complete names take one column each.
        Result<QStringList> more = m_names->next(kMaxCombinations - bare);
        if (more)
            *names += *more;
        else
            names = more.error();
    }
    if (!names) {
        printError(names.error().message);
        return std::nullopt;
    }
    if (names->isEmpty())
        m_namesEnded = true;
    return *names;
}

void CheckSession::nextRun() {
    if (m_done)
        return;
    if (m_interrupted) {
        end(kExitInterrupted);
        return;
    }
    if (m_namesEnded) {
        end(kExitOk);
        return;
    }
    const std::optional<QStringList> names = takeSlice();
    if (!names) {
        end(kExitBadInput);
        return;
    }
    if (names->isEmpty()) {
        end(kExitOk);
        return;
    }
    RunRequest request{names->join(u' '), m_options.mode, m_options.searchSet, m_options.tlds};
    request.selfTest = m_options.selfTest;
    Result<RunPlan, RunRefusal> plan = planRun(request, m_catalogue, m_registrationRules);
    if (!plan) {
        if (plan.error().reason == RunRefusal::Blank) {
            QTimer::singleShot(0, this, &CheckSession::nextRun);
            return;
        }
        printError(plan.error().message);
        end(kExitBadInput);
        return;
    }
    m_plan = std::move(*plan);
    CheckTable& table = m_plan.candidates;
    if (!m_candidatesTotal) {
        if (m_options.mode == CheckMode::Combinations)
            m_candidatesTotal = table.candidateCount();
        else if (m_totalNames)
            m_candidatesTotal = *m_totalNames * table.colCount();
    }

    if (!skipWrittenRows(table)) {
        m_candidatesDone += table.candidateCount();
        QTimer::singleShot(0, this, &CheckSession::nextRun);
        return;
    }
    m_run->start(table, m_dns);
}

bool CheckSession::skipWrittenRows(CheckTable& table) const {
    const ResumeFile* resume = m_output->resume();
    if (!resume)
        return true;
    table.forEach([resume](int, int, CheckItem& item) {
        if (resume->isDone(item.domain))
            item.state = CheckState::AlreadyWritten;
    });
    return table.count(CheckState::AlreadyWritten) < table.candidateCount();
}

void CheckSession::writeRun() {
    m_tally.add(m_plan.candidates);
    m_candidatesDone += m_plan.candidates.candidateCount();
    const Status written = m_output->writeRun(
        {m_plan.candidates, m_catalogue, m_plan.names, m_plan.columns}, m_options.onlyAvailable);
    if (!written) {
        printError(written.error().message);
        end(kExitOutput);
        return;
    }
    // A send error ends the list: the network is what failed.
    if (m_run->sendFailed()) {
        end(kExitNetwork);
        return;
    }
    // Through the event loop, so that Ctrl+C between runs is seen.
    QTimer::singleShot(0, this, &CheckSession::nextRun);
}

void CheckSession::interrupt() {
    if (m_done || m_interrupted)
        return;
    m_interrupted = true;
    // What the run got so far is written; the next run sees the interruption.
    m_run->cancel();
}

void CheckSession::end(int exitStatus) {
    if (m_done)
        return;
    m_done = true;
    if (m_progress)
        m_progress->stop();
    if (m_run && m_run->isActive()) {
        m_run->disconnect(this);
        m_run->cancel();
    }
    if (m_refreshFailed && exitStatus == kExitOk)
        exitStatus = kExitNetwork;
    if (m_output) {
        // Closed whatever the reason, so that a json array is whole.
        const Status closed = m_output->finish(exitStatus == kExitOk);
        if (!closed) {
            printError(closed.error().message);
            exitStatus = kExitOutput;
        }
    }
    const SettingsHints hints{QStringLiteral("--nameserver"), QStringLiteral("--retries")};
    if (m_run)
        for (const QString& line : m_run->summary(m_tally, hints))
            printError(line);
    emit done(exitStatus);
}

bool CheckSession::showsProgress() const {
    return m_options.progress == ProgressMode::Always ||
           (m_options.progress == ProgressMode::Auto && ::isatty(::fileno(m_streams.err)) == 1);
}

QString CheckSession::progressLine() const {
    const CheckRun::Stage stage = m_run->stage();
    if (stage == CheckRun::Stage::ReadingZoneFiles && !m_indexing.file.isEmpty())
        return QStringLiteral("Indexing zone file %1 of %2 (%3): %4 %")
            .arg(m_options.zoneFiles.indexOf(m_indexing.file) + 1)
            .arg(m_options.zoneFiles.size())
            .arg(m_indexing.file)
            .arg(m_indexing.total > 0 ? m_indexing.done * 100 / m_indexing.total : 0);
    const bool confirming =
        stage == CheckRun::Stage::RefreshingRegistryList || stage == CheckRun::Stage::Confirming;
    qint64 done = m_candidatesDone;
    if (stage == CheckRun::Stage::Connecting || stage == CheckRun::Stage::Querying)
        done += std::min(m_run->answered(), m_plan.candidates.candidateCount());
    else if (confirming)
        done += m_plan.candidates.candidateCount();
    const double seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
    const double rate = seconds > 0.5 ? static_cast<double>(done) / seconds : 0.0;
    QString line = m_candidatesTotal
                       ? QStringLiteral("%1/%2 done").arg(done).arg(*m_candidatesTotal)
                       : QStringLiteral("%1 done").arg(done);
    if (rate > 0) {
        line += QStringLiteral(", %1/s").arg(static_cast<qint64>(std::lround(rate)));
        if (m_candidatesTotal && *m_candidatesTotal > done)
            line += QStringLiteral(", about %1 left")
                        .arg(durationText(static_cast<qint64>(
                            std::ceil(static_cast<double>(*m_candidatesTotal - done) / rate))));
    }
    if (stage == CheckRun::Stage::Confirming) {
        line += QStringLiteral("; registries asked %1/%2")
                    .arg(m_run->registriesAnswered())
                    .arg(m_run->registriesAsked());
        if (const std::optional<HostWait> wait = m_run->registryWait())
            line += QStringLiteral(" (%1)").arg(hostWaitText(*wait));
    }
    return line;
}

void CheckSession::printError(const QString& message) const {
    if (m_progress)
        m_progress->clearLine(); // the next refresh draws it again below the message
    std::fputs(terminalText(message).toLocal8Bit().constData(), m_streams.err);
    std::fflush(m_streams.err);
}

} // namespace nomispot::cli
