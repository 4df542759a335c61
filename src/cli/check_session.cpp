#include "check_session.h"

#include "catalogue/catalogue_file.h"
#include "files/file_access.h"
#include "interrupt_notifier.h"
#include "names/name_table.h"
#include "names_input.h"
#include "progress_reporter.h"
#include "results/run_summary.h"
#include "results_output.h"
#include "resume_file.h"
#include "run_settings.h"
#include "settings/settings_ops.h"
#include "settings/settings_store.h"
#include "zone/zone_files.h"
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

} // namespace

CheckSession::CheckSession(CliOptions options, QString dataDir, Streams streams, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_dataDir(std::move(dataDir)),
      m_streams(streams), m_runner(this) {
    connect(&m_runner, &QueryRunner::finished, this, [this] {
        if (m_stage == Stage::Network)
            afterQueries();
    });
    connect(&m_runner, &QueryRunner::sendFailed, this, [this](const QString& reason) {
        m_sendFailed = true;
        printError(sendFailureMessage(m_dns.nameserver, reason));
    });
    connect(&m_runner, &QueryRunner::networkReady, this, &CheckSession::runQueries);
    connect(&m_runner, &QueryRunner::networkFailed, this, [this](const QString& message) {
        if (m_stage != Stage::Network)
            return; // interrupted meanwhile
        printError(message);
        m_stage = Stage::Idle;
        end(kExitNetwork);
    });
    connect(&m_runner, &QueryRunner::socketError, this, [this](const QString& reason) {
        printError(socketErrorMessage(m_dns.nameserver, reason));
    });
}

CheckSession::~CheckSession() = default;

void CheckSession::start() {
    if (m_options.refreshRegistryList && !m_refresh) {
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
    m_refresh = std::make_unique<BootstrapRefresh>(m_dataDir);
    connect(m_refresh.get(), &BootstrapRefresh::finished, this,
            [this](const BootstrapRefreshOutcome& outcome) {
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
            });
    m_refresh->start(true);
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
        Result<RegistryDirectory> registries = loadRegistryDirectory(m_dataDir);
        if (!registries) {
            printError(registries.error().message);
            return kExitBadInput;
        }
        m_registries = std::move(*registries);
    }
    if (!m_options.resumePath.isEmpty()) {
        Result<ResumeFile> resume = ResumeFile::open(m_options);
        if (!resume) {
            printError(resume.error().message);
            return kExitBadInput;
        }
        m_output = std::make_unique<ResultsOutput>(std::move(*resume));
    } else {
        m_output = std::make_unique<ResultsOutput>(m_streams.out, m_options.format);
    }
    if (m_options.selfTest && !SelfTestCache::defaultPath().isEmpty())
        m_selfTests =
            SelfTestCache::load(SelfTestCache::defaultPath(), QDateTime::currentDateTimeUtc());
    if (!m_options.zoneFiles.isEmpty())
        loadZoneFiles();
    return std::nullopt;
}

void CheckSession::loadZoneFiles() {
    const bool progress = showsProgress();
    const int files = static_cast<int>(m_options.zoneFiles.size());
    bool shown = false;
    ZoneFilesLoaded loaded = nomispot::loadZoneFiles(
        m_options.zoneFiles, defaultZoneIndexDir(), [&](int file, qint64 done, qint64 total) {
            if (progress) {
                const QString line =
                    QStringLiteral("\rIndexing zone file %1 of %2 (%3): %4 %\033[K")
                        .arg(file + 1)
                        .arg(files)
                        .arg(m_options.zoneFiles.at(file))
                        .arg(total > 0 ? done * 100 / total : 0);
                std::fputs(line.toLocal8Bit().constData(), m_streams.err);
                std::fflush(m_streams.err);
                shown = true;
            }
            return true;
        });
    if (shown) {
        std::fputs("\r\033[K", m_streams.err);
        std::fflush(m_streams.err);
    }
    // A file that cannot be used leaves its zone to the DNS.
    if (const QString message = zoneFilesMessage(loaded); !message.isEmpty())
        printError(message);
    m_zones = std::move(loaded.zones);
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

    // Candidates the resumed file has a final row for are neither sent nor written again.
    m_alreadyWritten.assign(static_cast<std::size_t>(table.colCount() + 1) *
                                static_cast<std::size_t>(table.nameCount() + 1),
                            false);
    if (const ResumeFile* resume = m_output->resume()) {
        bool anyLeft = false;
        for (int c = 1; c <= table.colCount(); ++c)
            for (int r = 1; r <= table.nameCount(); ++r) {
                CheckItem& item = table.at(c, r);
                if (!resume->isDone(item.domain)) {
                    anyLeft = true;
                    continue;
                }
                m_alreadyWritten[static_cast<std::size_t>(c) *
                                     static_cast<std::size_t>(table.nameCount() + 1) +
                                 static_cast<std::size_t>(r)] = true;
                // Not sent, and counted nowhere: its row is there already.
                item.state = CheckState::Unavailable;
            }
        if (!anyLeft) {
            m_candidatesDone += table.candidateCount();
            QTimer::singleShot(0, this, &CheckSession::nextRun);
            return;
        }
    }
    m_stage = Stage::Network;
    answerFromZoneFiles(table, m_zones);
    bool pending = false;
    for (int c = 1; c <= table.colCount() && !pending; ++c)
        for (int r = 1; r <= table.nameCount() && !pending; ++r)
            pending = table.at(c, r).state == CheckState::Pending;
    if (!pending) {
        m_stage = Stage::Idle;
        afterQueries();
        return;
    }
    m_sendFailed = false;
    m_runner.prepareNetwork(m_dns.nameserver);
}

void CheckSession::runQueries() {
    if (m_stage != Stage::Network)
        return;
    const QUdpSocket& socket = m_runner.socket();
    m_selfTestKey = nameserverKey(m_dns.nameserver, socket.peerAddress(), socket.peerPort());
    m_selfTests.apply(m_plan.candidates, m_selfTestKey, QDateTime::currentDateTimeUtc());
    m_runner.start(m_plan.candidates, m_dns.delayMs, m_dns.retries,
                   m_plan.candidates.candidateCount() + 1);
}

void CheckSession::afterQueries() {
    m_stage = Stage::Idle;
    // Later runs and later checks take these findings instead of probing again.
    if (!m_selfTestKey.isEmpty() && !SelfTestCache::defaultPath().isEmpty()) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        if (m_selfTests.record(m_plan.candidates, m_selfTestKey, now) > 0 ||
            m_selfTests.damaged()) {
            if (const Status saved = m_selfTests.save(now); !saved && !m_selfTestWarned) {
                m_selfTestWarned = true; // it costs only the probes of a later check
                printError(QStringLiteral("The self-test's findings cannot be kept: %1")
                               .arg(saved.error().message));
            }
        }
    }
    // An interrupted run has no more answers to wait for: what it did not get was cancelled.
    m_plan.candidates.markPendingNotChecked(
        m_interrupted ? std::optional(NotCheckedReason::Cancelled) : std::nullopt);
    if (m_registries && !m_interrupted)
        confirmFreeNames();
    else
        writeRun();
}

void CheckSession::confirmFreeNames() {
    m_stage = Stage::Confirming;
    // A list over a month old is refreshed first, once a day at most.
    if (!m_refresh && automaticRefreshDue(m_dataDir)) {
        m_refresh = std::make_unique<BootstrapRefresh>(m_dataDir);
        connect(m_refresh.get(), &BootstrapRefresh::finished, this,
                [this](const BootstrapRefreshOutcome& outcome) {
                    m_refreshNote = refreshSummary(outcome);
                    // The list now in use; the one read before stays when it cannot be read.
                    if (Result<RdapBootstrap> reloaded = loadRdapBootstrap(m_dataDir))
                        m_registries->rdap = std::move(*reloaded);
                    if (m_interrupted)
                        writeRun();
                    else
                        confirmFreeNames();
                });
        m_refresh->start(false);
        return;
    }
    RegistryPolicy policy;
    if (m_options.registryTimeoutSeconds)
        policy.rdap.timeout = policy.whois.timeout =
            std::chrono::seconds(*m_options.registryTimeoutSeconds);
    if (m_confirmation)
        m_confirmation.release()->deleteLater();
    m_confirmation =
        std::make_unique<RegistryConfirmation>(m_plan.candidates, *m_registries, policy);
    connect(
        m_confirmation.get(), &RegistryConfirmation::finished, this,
        [this] {
            if (m_stage == Stage::Confirming)
                writeRun();
        },
        Qt::QueuedConnection);
    m_confirmation->start(m_options.expiry ? RegistryConfirmation::Scope::FreeAndTakenNames
                                           : RegistryConfirmation::Scope::FreeNames);
}

void CheckSession::writeRun() {
    m_stage = Stage::Idle;
    if (m_confirmation)
        m_confirmation->cancel();
    m_tally.add(m_plan.candidates);
    m_candidatesDone += m_plan.candidates.candidateCount();
    const Status written =
        m_output->writeRun({m_plan.candidates, m_catalogue, m_plan.names, m_plan.columns},
                           m_options.onlyAvailable, m_alreadyWritten);
    if (!written) {
        printError(written.error().message);
        end(kExitOutput);
        return;
    }
    // A send error ends the list: the network is what failed.
    if (m_sendFailed) {
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
    switch (m_stage) {
    case Stage::Network:
        m_runner.stop();
        afterQueries();
        break;
    case Stage::Confirming:
        if (m_refresh)
            m_refresh->cancel();
        writeRun();
        break;
    case Stage::Idle:
        break; // the next run sees it
    }
}

void CheckSession::end(int exitStatus) {
    if (m_done)
        return;
    m_done = true;
    if (m_progress)
        m_progress->stop();
    if (m_confirmation)
        m_confirmation->cancel();
    if (m_refresh)
        m_refresh->cancel();
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
    if (const QString summary = runSummary(m_tally, m_dns, hints); !summary.isEmpty())
        printError(summary);
    if (const QString zones = zoneFileSummary(m_tally); !zones.isEmpty())
        printError(zones);
    QString registries = registrySummary(m_tally);
    if (!m_refreshNote.isEmpty())
        registries += (registries.isEmpty() ? QString() : QStringLiteral(" ")) + m_refreshNote;
    if (!registries.isEmpty())
        printError(registries);
    emit done(exitStatus);
}

bool CheckSession::showsProgress() const {
    return m_options.progress == ProgressMode::Always ||
           (m_options.progress == ProgressMode::Auto && ::isatty(::fileno(m_streams.err)) == 1);
}

QString CheckSession::progressLine() const {
    qint64 done = m_candidatesDone;
    if (m_stage == Stage::Network)
        done += std::min(m_runner.answered(), m_plan.candidates.candidateCount());
    else if (m_stage == Stage::Confirming)
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
    if (m_stage == Stage::Confirming && m_confirmation)
        line += QStringLiteral("; registries asked %1/%2")
                    .arg(m_confirmation->answeredCount())
                    .arg(m_confirmation->total());
    return line;
}

void CheckSession::printError(const QString& message) const {
    if (m_progress)
        m_progress->clearLine(); // the next refresh draws it again below the message
    std::fputs(terminalText(message).toLocal8Bit().constData(), m_streams.err);
    std::fflush(m_streams.err);
}

} // namespace nomispot::cli
