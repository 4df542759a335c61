#include "check_session.h"

#include "catalogue/catalogue_file.h"
#include "files/file_access.h"
#include "interrupt_notifier.h"
#include "names_input.h"
#include "progress_reporter.h"
#include "results/result_formats.h"
#include "results/run_summary.h"
#include "run_settings.h"
#include "settings/settings_ops.h"
#include "settings/settings_store.h"

#include <cerrno>
#include <cstring>
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

} // namespace

CheckSession::CheckSession(CliOptions options, QString dataDir, Streams streams, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_dataDir(std::move(dataDir)),
      m_streams(streams), m_runner(this) {
    // A send error ends the run with what came back so far; its status says the network failed.
    connect(&m_runner, &QueryRunner::finished, this,
            [this] { finish(m_sendFailed ? kExitNetwork : kExitOk); });
    connect(&m_runner, &QueryRunner::sendFailed, this, [this](const QString& reason) {
        m_sendFailed = true;
        printError(sendFailureMessage(m_dns.nameserver, reason));
    });
    connect(&m_runner, &QueryRunner::networkReady, this, &CheckSession::runQueries);
    connect(&m_runner, &QueryRunner::networkFailed, this, [this](const QString& message) {
        if (m_done)
            return; // interrupted meanwhile
        printError(message);
        m_done = true;
        emit done(kExitNetwork);
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
    startQueries();
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

    const Result<QString> text = readNamesText(m_options, m_streams.in);
    if (!text) {
        printError(text.error().message);
        return kExitBadInput;
    }
    RunRequest request{*text, m_options.mode, m_options.searchSet, m_options.tlds};
    request.selfTest = m_options.selfTest;
    Result<RunPlan, RunRefusal> plan = planRun(request, m_catalogue, m_registrationRules);
    if (!plan) {
        if (plan.error().reason == RunRefusal::Blank) {
            return printResults() ? kExitOk : kExitOutput; // nothing to check: an empty list
        }
        printError(plan.error().message);
        return kExitBadInput;
    }
    m_plan = std::move(*plan);

    if (m_options.confirm) {
        Result<RegistryDirectory> registries = loadRegistryDirectory(m_dataDir);
        if (!registries) {
            printError(registries.error().message);
            return kExitBadInput;
        }
        m_registries = std::move(*registries);
    }
    return std::nullopt;
}

void CheckSession::startQueries() {
    // Installed before the socket, so that Ctrl+C from here on still prints what came back.
    m_interrupt = std::make_unique<InterruptNotifier>();
    connect(m_interrupt.get(), &InterruptNotifier::interrupted, this, [this] {
        m_runner.stop();
        finish(kExitInterrupted);
    });

    m_runner.prepareNetwork(m_dns.nameserver);
}

void CheckSession::runQueries() {
    if (showsProgress())
        m_progress = std::make_unique<ProgressReporter>(
            [this] {
                return runProgressLine(m_runner, m_plan.candidates.candidateCount(), m_dns.delayMs);
            },
            m_streams.err);
    m_runner.start(m_plan.candidates, m_dns.delayMs, m_dns.retries,
                   m_plan.candidates.candidateCount() + 1);
    // Started once the phase exists, so that the first line already knows the schedule.
    if (m_progress && !m_done)
        m_progress->start();
}

void CheckSession::finish(int exitStatus) {
    if (m_done)
        return;
    if (m_progress)
        m_progress->stop();
    // An interrupted run has no more answers to wait for: what it did not get was cancelled.
    m_plan.candidates.markPendingNotChecked(
        exitStatus == kExitInterrupted ? std::optional(NotCheckedReason::Cancelled) : std::nullopt);
    if (m_registries && !m_confirmation && exitStatus != kExitInterrupted)
        confirmFreeNames(exitStatus);
    else
        end(exitStatus);
}

void CheckSession::confirmFreeNames(int exitStatus) {
    // A list over a month old is refreshed first, once a day at most.
    if (!m_refresh && automaticRefreshDue(m_dataDir)) {
        m_refresh = std::make_unique<BootstrapRefresh>(m_dataDir);
        connect(m_refresh.get(), &BootstrapRefresh::finished, this,
                [this, exitStatus](const BootstrapRefreshOutcome& outcome) {
                    m_refreshNote = refreshSummary(outcome);
                    // The list now in use; the one read before stays when it cannot be read.
                    if (Result<RdapBootstrap> reloaded = loadRdapBootstrap(m_dataDir))
                        m_registries->rdap = std::move(*reloaded);
                    confirmFreeNames(exitStatus);
                });
        m_refresh->start(false);
        return;
    }
    RegistryPolicy policy;
    if (m_options.registryTimeoutSeconds)
        policy.rdap.timeout = policy.whois.timeout =
            std::chrono::seconds(*m_options.registryTimeoutSeconds);
    m_confirmation =
        std::make_unique<RegistryConfirmation>(m_plan.candidates, *m_registries, policy);
    connect(m_confirmation.get(), &RegistryConfirmation::finished, this,
            [this, exitStatus] { end(exitStatus); });
    m_confirmation->start();
    if (showsProgress()) {
        m_progress = std::make_unique<ProgressReporter>(
            [this] {
                return QStringLiteral("%1/%2 free names asked at their registries")
                    .arg(m_confirmation->answeredCount())
                    .arg(m_confirmation->total());
            },
            m_streams.err);
        m_progress->start();
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
    if (!printResults())
        exitStatus = kExitOutput;
    const QString summary = runSummary(
        m_plan.candidates, m_dns, {QStringLiteral("--nameserver"), QStringLiteral("--retries")});
    if (!summary.isEmpty())
        printError(summary);
    QString registries = registrySummary(m_plan.candidates);
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

void CheckSession::printError(const QString& message) const {
    if (m_progress)
        m_progress->clearLine(); // the next refresh draws it again below the message
    std::fputs(terminalText(message).toLocal8Bit().constData(), m_streams.err);
    std::fflush(m_streams.err);
}

bool CheckSession::printResults() const {
    const QByteArray text =
        formatResults({m_plan.candidates, m_catalogue, m_plan.names, m_plan.columns},
                      m_options.format, m_options.onlyAvailable)
            .toUtf8();
    // A full disk, a closed or broken pipe: the results are lost, and the user must know.
    if (std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), m_streams.out) !=
            static_cast<std::size_t>(text.size()) ||
        std::fflush(m_streams.out) != 0) {
        printError(QStringLiteral("Cannot write the results: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    return true;
}

} // namespace nomispot::cli
