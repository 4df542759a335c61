#include "run/check_run.h"

#include "engine/self_test_cache.h"
#include "registry/registry_confirmation.h"
#include "results/run_summary.h"
#include "run/registries.h"
#include "settings/system_resolver.h"
#include "zone/zone_answers.h"

#include <QDateTime>
#include <algorithm>

namespace nomispot {

CheckRun::CheckRun(CheckSetup setup, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)), m_runner(this) {
    connect(&m_runner, &QueryRunner::cellChanged, this, &CheckRun::cellChanged);
    connect(&m_runner, &QueryRunner::progressChanged, this, &CheckRun::progressChanged);
    connect(&m_runner, &QueryRunner::querySent, this, &CheckRun::progressChanged);
    connect(&m_runner, &QueryRunner::networkReady, this, [this] {
        if (m_stage == Stage::Connecting)
            startQueries();
    });
    // A run that cannot start, or whose nameserver turns out dead, ends at once, every candidate
    // left saying why.
    connect(&m_runner, &QueryRunner::networkFailed, this, [this](const QString& message) {
        if (m_stage != Stage::Connecting && m_stage != Stage::Querying)
            return; // cancelled meanwhile
        m_table->markPendingNotChecked(NotCheckedReason::NetworkFailed);
        setStage(Stage::Finished);
        emit failed(message);
    });
    connect(&m_runner, &QueryRunner::finished, this, [this] {
        if (m_stage == Stage::Querying)
            queriesOver();
    });
    // A send error ends the run with its answers; told once the run has wound up.
    connect(&m_runner, &QueryRunner::sendFailed, this, [this](const QString& reason) {
        m_sendFailed = true;
        QMetaObject::invokeMethod(
            this,
            [this, text = sendFailureMessage(m_dns.nameserver, reason)] {
                emit notice(text, Notice::Error);
            },
            Qt::QueuedConnection);
    });
    connect(&m_runner, &QueryRunner::socketError, this, [this](const QString& reason) {
        emit notice(socketErrorMessage(m_dns.nameserver, reason), Notice::Error);
    });
    m_confirmationTicker.setInterval(1000);
    connect(&m_confirmationTicker, &QTimer::timeout, this, &CheckRun::progressChanged);
    connect(&m_zoneLoader, &ZoneLoader::building, this, &CheckRun::zoneIndexing);
    connect(&m_zoneLoader, &ZoneLoader::finished, this, [this] {
        if (m_stage != Stage::ReadingZoneFiles)
            return;
        m_zones = m_zoneLoader.take();
        // A file that cannot be used leaves its zone to the DNS.
        if (const QString message = zoneFilesMessage(*m_zones); !message.isEmpty())
            emit notice(message, m_zones->failures.isEmpty() ? Notice::Info : Notice::Error);
        answerFromZoneFiles();
    });
    if (m_setup.registries)
        connect(m_setup.registries, &Registries::refreshed, this,
                [this](const BootstrapRefreshOutcome& outcome) {
                    if (m_stage != Stage::RefreshingRegistryList)
                        return; // a refresh of someone else's
                    m_refreshNote = refreshSummary(outcome);
                    startConfirmation();
                });
}

CheckRun::~CheckRun() = default;

void CheckRun::setStage(Stage stage) {
    m_stage = stage;
    emit stageChanged(stage);
}

void CheckRun::beginRun(CheckTable& table, const DnsSettings& dns, int candidates,
                        bool testAfresh) {
    m_table = &table;
    m_dns = dns;
    m_dns.nameserver = nameserverInUse(dns.nameserver);
    m_cancelled = m_sendFailed = m_confirmAsked = false;
    m_testAfresh = testAfresh;
    m_zoneAnswered = 0;
    m_progressMaximum = candidates + 1;
    ++m_runs;
}

void CheckRun::start(CheckTable& table, const DnsSettings& dns) {
    beginRun(table, dns, table.candidateCount(), false);
    // Zone files answer for their zones' candidates before anything is asked.
    if (!m_setup.zoneFiles.isEmpty() && !m_zones) {
        indexZoneFiles();
        return;
    }
    setStage(Stage::Connecting);
    QMetaObject::invokeMethod(
        this,
        [this, run = m_runs] {
            if (run == m_runs && m_stage == Stage::Connecting)
                answerFromZoneFiles();
        },
        Qt::QueuedConnection);
}

int CheckRun::checkAgain(CheckTable& table, const DnsSettings& dns) {
    const int again = table.reopenNotChecked();
    if (again == 0)
        return 0;
    // The nameserver may have changed: suffixes are tested afresh.
    beginRun(table, dns, again, true);
    connectNameserver();
    return again;
}

void CheckRun::indexZoneFiles() {
    setStage(Stage::ReadingZoneFiles);
    m_zoneLoader.start(m_setup.zoneFiles, m_setup.zoneIndexDir);
}

void CheckRun::answerFromZoneFiles() {
    if (m_zones) {
        const ZoneAnswerCount count = nomispot::answerFromZoneFiles(*m_table, m_zones->zones);
        m_zoneAnswered = count.taken + count.free;
        if (m_zoneAnswered > 0)
            emit tableChanged();
    }
    // Nothing left to ask: no nameserver is needed.
    if (m_table->contains(CheckState::Pending))
        connectNameserver();
    else
        queriesOver();
}

// The queries start once the nameserver is ready: a host name is looked up first, and the run
// can be cancelled meanwhile.
void CheckRun::connectNameserver() {
    if (m_stage != Stage::Connecting)
        setStage(Stage::Connecting);
    m_runner.prepareNetwork(m_dns.nameserver);
}

void CheckRun::startQueries() {
    setStage(Stage::Querying);
    const QUdpSocket& socket = m_runner.socket();
    m_selfTestKey = nameserverKey(m_dns.nameserver, socket.peerAddress(), socket.peerPort());
    if (!m_testAfresh && !m_setup.selfTestCachePath.isEmpty()) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        SelfTestCache::load(m_setup.selfTestCachePath, now).apply(*m_table, m_selfTestKey, now);
    }
    m_runner.start(*m_table, m_dns.delayMs, m_dns.retries, m_progressMaximum);
}

void CheckRun::queriesOver() {
    // Later runs and later checks take the findings instead of probing again; read afresh, so
    // that what another window kept meanwhile stays.
    if (!m_selfTestKey.isEmpty() && !m_setup.selfTestCachePath.isEmpty()) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        SelfTestCache cache = SelfTestCache::load(m_setup.selfTestCachePath, now);
        if (cache.record(*m_table, m_selfTestKey, now) > 0 || cache.damaged()) {
            if (const Status saved = cache.save(now); !saved && !m_selfTestWarned) {
                m_selfTestWarned = true; // it costs only the probes of a later check
                emit notice(QStringLiteral("The self-test's findings cannot be kept: %1")
                                .arg(saved.error().message),
                            Notice::Aside);
            }
        }
    }
    m_selfTestKey.clear();
    // What has no answer now never gets one.
    m_table->markPendingNotChecked(m_cancelled ? std::optional(NotCheckedReason::Cancelled)
                                               : std::nullopt);
    if (!m_cancelled && m_setup.confirm != CheckSetup::Confirm::No)
        beginConfirmation();
    else
        finish();
}

void CheckRun::confirm(CheckTable& table) {
    m_table = &table;
    m_cancelled = false;
    m_confirmAsked = true;
    m_refreshNote.clear();
    beginConfirmation();
}

void CheckRun::beginConfirmation() {
    Registries* registries = m_setup.registries;
    if (!registries) {
        finish();
        return;
    }
    // A registry list over a month old is refreshed first, once a day at most.
    if (registries->refreshDue()) {
        setStage(Stage::RefreshingRegistryList);
        registries->refresh(false);
        return;
    }
    startConfirmation();
}

void CheckRun::startConfirmation() {
    if (const Status loaded = m_setup.registries->load(); !loaded) {
        emit notice(loaded.error().message, Notice::Error);
        finish();
        return;
    }
    m_confirmation =
        std::make_unique<RegistryConfirmation>(*m_table, *m_setup.registries->client());
    connect(m_confirmation.get(), &RegistryConfirmation::confirmed, this, [this](int c, int r) {
        emit cellChanged(c, r);
        emit progressChanged();
    });
    connect(m_confirmation.get(), &RegistryConfirmation::finished, this,
            &CheckRun::confirmationOver, Qt::QueuedConnection);
    setStage(Stage::Confirming);
    m_confirmationTicker.start();
    const int total =
        m_confirmation->start(m_setup.confirm == CheckSetup::Confirm::FreeAndTakenNames
                                  ? RegistryConfirmation::Scope::FreeAndTakenNames
                                  : RegistryConfirmation::Scope::FreeNames);
    if (total == 0 && m_confirmAsked)
        emit notice(QStringLiteral("There are no free names left to confirm."), Notice::Info);
    emit progressChanged();
}

void CheckRun::confirmationOver() {
    if (m_stage == Stage::Confirming)
        finish();
}

bool CheckRun::keepRegistryAnswer(CheckTable& table, CheckTable::Cell cell, const QString& ascii,
                                  const RegistryOutcome& outcome) const {
    // The look-up window may outlive its run: only the same name in the same place takes it.
    CheckItem* item = table.find(cell.c, cell.r);
    if (isActive() || !item || item->wireName() != ascii)
        return false;
    if (outcome.answer != RegistryAnswer::Found && item->registry != RegistryAnswer::NotAsked)
        return false;
    applyRegistryOutcome(*item, outcome);
    return true;
}

void CheckRun::cancel() {
    if (!isActive())
        return;
    m_cancelled = true;
    switch (m_stage) {
    case Stage::ReadingZoneFiles:
        m_zoneLoader.cancel();
        m_table->markPendingNotChecked(NotCheckedReason::Cancelled);
        finish();
        break;
    case Stage::Connecting:
    case Stage::Querying:
        m_runner.stop();
        queriesOver();
        break;
    case Stage::RefreshingRegistryList:
        m_setup.registries->cancelRefresh();
        finish();
        break;
    case Stage::Confirming:
        finish();
        break;
    case Stage::Idle:
    case Stage::Finished:
        break;
    }
}

void CheckRun::finish() {
    m_confirmationTicker.stop();
    // Names whose registry has not answered yet stay as the DNS left them.
    if (m_confirmation) {
        m_confirmation->cancel();
        m_confirmation.release()->deleteLater();
    }
    setStage(Stage::Finished);
    emit finished();
}

int CheckRun::answered() const {
    if (m_stage != Stage::Connecting && m_stage != Stage::Querying)
        return 0;
    return std::min(m_progressMaximum, m_zoneAnswered + m_runner.answered());
}

int CheckRun::registriesAnswered() const {
    return m_confirmation ? m_confirmation->answeredCount() : 0;
}

int CheckRun::registriesAsked() const {
    return m_confirmation ? m_confirmation->total() : 0;
}

std::optional<HostWait> CheckRun::registryWait() const {
    return m_confirmation ? m_confirmation->longestWait() : std::nullopt;
}

QString CheckRun::confirmationProgress() const {
    QString text =
        QStringLiteral("%1 of %2 asked").arg(registriesAnswered()).arg(registriesAsked());
    if (const std::optional<HostWait> wait = registryWait())
        text += QStringLiteral("; ") + hostWaitText(*wait);
    return text;
}

QStringList CheckRun::summary(const RunTally& tally, const SettingsHints& hints) const {
    QString registries = registrySummary(tally);
    if (!m_refreshNote.isEmpty())
        registries += (registries.isEmpty() ? QString() : QStringLiteral(" ")) + m_refreshNote;
    QStringList lines{runSummary(tally, m_dns, hints), zoneFileSummary(tally), registries};
    lines.removeAll(QString());
    return lines;
}

} // namespace nomispot
