#include "check_session.h"

#include "catalogue/catalogue_file.h"
#include "cli_output.h"
#include "interrupt_notifier.h"
#include "names/name_parser.h"
#include "names_input.h"
#include "progress_reporter.h"
#include "run_settings.h"
#include "search_columns.h"
#include "settings/settings_ops.h"
#include "settings/settings_store.h"

#include <algorithm>
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

CheckSession::CheckSession(CliOptions options, QString programDir, Streams streams, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_programDir(std::move(programDir)),
      m_streams(streams), m_runner(this) {
    connect(&m_runner, &QueryRunner::finished, this, [this] { finish(kExitOk); });
    connect(&m_runner, &QueryRunner::sendFailed, this, [this] {
        printError(sendFailureMessage());
        finish(kExitNetwork);
    });
    connect(&m_runner, &QueryRunner::socketError, this,
            [this] { printError(socketErrorMessage()); });
}

CheckSession::~CheckSession() = default;

void CheckSession::start() {
    if (const std::optional<int> status = prepare()) {
        m_done = true;
        emit done(*status);
        return;
    }
    startQueries();
}

std::optional<int> CheckSession::prepare() {
    const CatalogueLoad load = LoadCatalogue(catalogueFilePath(m_programDir), m_catalogue);
    if (!load.opened) {
        printError(missingCatalogueMessage(m_programDir));
        return kExitBadInput;
    }
    if (!load.skippedLines.empty())
        printError(skippedLinesMessage(catalogueFilePath(m_programDir), load.skippedLines));

    const SettingsStore store(m_options.settingsPath.isEmpty() ? SettingsStore::defaultPath()
                                                               : m_options.settingsPath);
    const RunSettings settings = resolveRunSettings(store, m_options);
    if (!settings.message.isEmpty()) {
        printError(settings.message);
        return kExitBadInput;
    }
    m_nameserver = settings.dns.nameserver;
    m_delayMs = settings.dns.delayMs;
    m_retries = settings.dns.retries;
    LoadTldSelection(store, m_catalogue);

    const NamesInput input = readNamesText(m_options, m_streams.in);
    if (!input.error.isEmpty()) {
        printError(input.error);
        return kExitBadInput;
    }
    const ParseOutcome outcome = parseNames(input.text, m_options.mode, m_names);
    switch (outcome.kind) {
    case ParseOutcome::Illegal:
        printError(illegalCharactersMessage());
        return kExitBadInput;
    case ParseOutcome::TooManyNames: {
        // Refused before the name table is written: count as the run would.
        const bool complete = normaliseNames(input.text).contains(u'.');
        const std::size_t columns = searchColumns(m_options, !complete, m_catalogue).size();
        printError(tooManyCombinationsMessage(
            refusedCombinations(std::max<std::size_t>(columns, 1), outcome.neededSlots)));
        return kExitBadInput;
    }
    case ParseOutcome::Blank: // nothing to check: an empty list
    case ParseOutcome::Ok:
        break;
    }

    m_columns = searchColumns(m_options, m_names.NamesNeedSuffix, m_catalogue);
    if (const long long refused = refusedCombinations(m_columns.size(), m_names.NameCount)) {
        printError(tooManyCombinationsMessage(refused));
        return kExitBadInput;
    }
    buildCheckItems(m_table, m_columns, m_names, m_catalogue);
    if (outcome.kind == ParseOutcome::Blank) {
        printResults();
        return kExitOk;
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

    if (m_runner.initNetwork(m_nameserver) != 0) {
        printError(networkFailureMessage());
        m_done = true;
        emit done(kExitNetwork);
        return;
    }
    const bool showProgress =
        m_options.progress == ProgressMode::Always ||
        (m_options.progress == ProgressMode::Auto && ::isatty(::fileno(m_streams.err)) == 1);
    if (showProgress) {
        m_progress = std::make_unique<ProgressReporter>(m_runner, m_table, m_delayMs, m_retries,
                                                        m_streams.err);
        connect(&m_runner, &QueryRunner::querySent, m_progress.get(), &ProgressReporter::querySent);
        m_progress->start();
    }
    m_runner.start(m_table, m_delayMs, m_retries, m_table.candidateCount() + 1);
}

void CheckSession::finish(int exitStatus) {
    if (m_done)
        return;
    m_done = true;
    if (m_progress)
        m_progress->stop();
    // An interrupted run has no more answers to wait for.
    m_table.markPendingNotChecked();
    printResults();
    emit done(exitStatus);
}

void CheckSession::printError(const QString& message) const {
    if (m_progress)
        m_progress->clearLine(); // the next refresh draws it again below the message
    std::fputs(terminalText(message).toLocal8Bit().constData(), m_streams.err);
    std::fflush(m_streams.err);
}

void CheckSession::printResults() const {
    const QString text = formatResults({m_table, m_catalogue, m_names, m_columns}, m_options.format,
                                       m_options.onlyAvailable);
    std::fputs(text.toUtf8().constData(), m_streams.out);
    std::fflush(m_streams.out);
}

} // namespace nomispot::cli
