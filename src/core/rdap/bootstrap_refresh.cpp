#include "rdap/bootstrap_refresh.h"

#include "app_dirs.h"
#include "files/file_access.h"
#include "rdap/http_answer.h"
#include "registry/network_text.h"
#include "registry/registry_transport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkReply>
#include <QTimer>

namespace nomispot {

namespace {

constexpr auto kIanaBootstrapUrl = "https://data.iana.org/rdap/dns.json";
constexpr auto kRecordFileName = "rdap-dns.last-refresh";

QDateTime publicationTime(const QString& publication) {
    return QDateTime::fromString(publication, Qt::ISODate);
}

// "Thu, 23 Jul 2026 00:00:00 GMT".
QByteArray httpDate(const QDateTime& time) {
    return QLocale::c()
        .toString(time.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
        .toLatin1();
}

BootstrapRefreshOutcome failed(QString reason, const QString& publication) {
    return {BootstrapRefreshOutcome::Failed, std::move(reason), publication};
}

} // namespace

QUrl bootstrapRefreshUrl() {
    const QString named = qEnvironmentVariable(kBootstrapUrlEnv);
    return QUrl(named.isEmpty() ? QString::fromLatin1(kIanaBootstrapUrl) : named, QUrl::StrictMode);
}

QString publicationDay(const QString& publication) {
    const QDateTime time = publicationTime(publication);
    return time.isValid() ? time.toUTC().date().toString(Qt::ISODate) : publication;
}

bool refreshDue(const QString& publication, const QDate& today,
                const std::optional<QDate>& lastTry) {
    if (lastTry && *lastTry == today)
        return false;
    const QDateTime published = publicationTime(publication);
    return !published.isValid() || published.toUTC().date().daysTo(today) > kBootstrapMaxAgeDays;
}

QString refreshRecordPath() {
    const QString dir = userDataDir();
    return dir.isEmpty() ? QString() : QDir(dir).filePath(QString::fromLatin1(kRecordFileName));
}

std::optional<QDate> lastRefreshTry() {
    const QString path = refreshRecordPath();
    if (path.isEmpty())
        return std::nullopt;
    const Result<QByteArray, FileReadError> bytes = readRegularFile(path, 64);
    if (!bytes)
        return std::nullopt;
    const QDate day = QDate::fromString(QString::fromLatin1(bytes->trimmed()), Qt::ISODate);
    return day.isValid() ? std::optional(day) : std::nullopt;
}

Status recordRefreshTry(const QDate& day) {
    const QString path = refreshRecordPath();
    if (path.isEmpty())
        return Failure{QStringLiteral("The system has no folder for the user's files.")};
    QDir().mkpath(QFileInfo(path).path());
    return writeFileWhole(path, day.toString(Qt::ISODate).toLatin1() + '\n');
}

bool automaticRefreshDue(const QString& dataDir) {
    if (!qEnvironmentVariable("NOMISPOT_RDAP_BOOTSTRAP").isEmpty())
        return false;
    const Result<RdapBootstrap> inUse = loadSavedRdapBootstrap(dataDir);
    // Without a usable list there is nothing to compare with: a refresh may bring one.
    return refreshDue(inUse ? inUse->publication : QString(), QDate::currentDate(),
                      lastRefreshTry());
}

QString refreshSummary(const BootstrapRefreshOutcome& outcome) {
    const QString day = outcome.publication.isEmpty() ? QStringLiteral("unknown date")
                                                      : publicationDay(outcome.publication);
    switch (outcome.kind) {
    case BootstrapRefreshOutcome::NotTried:
        return {};
    case BootstrapRefreshOutcome::Refreshed:
        return QStringLiteral("Registry list refreshed: %1.").arg(day);
    case BootstrapRefreshOutcome::Unchanged:
        return QStringLiteral("Registry list of %1; no newer one (%2).").arg(day, outcome.reason);
    case BootstrapRefreshOutcome::Failed:
        return QStringLiteral("Registry list of %1; refresh failed: %2.").arg(day, outcome.reason);
    }
    return {};
}

BootstrapRefresh::BootstrapRefresh(QString dataDir, RefreshPolicy policy, QObject* parent)
    : QObject(parent), m_dataDir(std::move(dataDir)), m_policy(policy) {
    // Redirects are ours to follow: none may lead away from https.
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

BootstrapRefresh::~BootstrapRefresh() {
    cancel();
}

void BootstrapRefresh::start(bool force) {
    cancel();
    const Result<RdapBootstrap> inUse = loadSavedRdapBootstrap(m_dataDir);
    m_inUse = inUse ? inUse->publication : QString();
    const QDate today = QDate::currentDate();
    if (!force && !refreshDue(m_inUse, today, lastRefreshTry())) {
        deliver({BootstrapRefreshOutcome::NotTried, {}, m_inUse});
        return;
    }
    if (refreshRecordPath().isEmpty()) {
        deliver(failed(QStringLiteral("the system has no folder for the user's files"), m_inUse));
        return;
    }
    // Remembered before asking: a try that never ends is not repeated all day either. A record
    // that cannot be written only means the next confirmation tries again.
    (void)recordRefreshTry(today);
    const QUrl url = bootstrapRefreshUrl();
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
        deliver(failed(QStringLiteral("%1 is not a web address").arg(url.toString()), m_inUse));
        return;
    }
    // One deadline for the whole answer, however many hops it takes.
    QTimer::singleShot(m_policy.timeout, this, [this, generation = m_generation] {
        if (generation == m_generation && m_reply) {
            m_cut = Cut::TimedOut;
            m_reply->abort();
        }
    });
    fetch(url, 0);
}

void BootstrapRefresh::cancel() {
    ++m_generation;
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_body.clear();
    m_cut = Cut::None;
}

void BootstrapRefresh::fetch(const QUrl& url, int redirects) {
    m_url = url;
    QNetworkRequest request = programRequest(url, "application/json");
    if (const QDateTime since = publicationTime(m_inUse); since.isValid())
        request.setRawHeader("If-Modified-Since", httpDate(since));
    QNetworkReply* reply = m_network.get(request);
    reply->setReadBufferSize(kHttpReadBuffer);
    m_reply = reply;
    m_body.clear();
    connect(reply, &QIODevice::readyRead, this, [this, reply] {
        if (m_reply == reply)
            take(reply);
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, redirects] {
        reply->deleteLater();
        if (m_reply != reply)
            return;
        if (m_cut == Cut::None)
            take(reply);
        m_reply = nullptr;
        received(reply, redirects);
    });
}

void BootstrapRefresh::take(QNetworkReply* reply) {
    // Counted as it arrives: an answer without end stops at the cap, not when memory runs out.
    m_body += reply->read(m_policy.largest + 1 - m_body.size());
    if (m_body.size() > m_policy.largest) {
        m_cut = Cut::TooLarge;
        reply->abort();
    }
}

void BootstrapRefresh::received(QNetworkReply* reply, int redirects) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_cut == Cut::None && isRedirect(status) && !isNetworkFailure(reply->error())) {
        RedirectStep step = redirectStep(m_url, *reply, redirects, m_url.host());
        if (step.refusal.isEmpty())
            fetch(step.target, redirects + 1);
        else
            deliver(failed(std::move(step.refusal), m_inUse));
        return;
    }
    deliver(outcomeOf(reply));
}

BootstrapRefreshOutcome BootstrapRefresh::outcomeOf(QNetworkReply* reply) const {
    const QString host = m_url.host();
    switch (m_cut) {
    case Cut::TooLarge:
        return failed(QStringLiteral("the answer from %1 is too large (over %2 MB)")
                          .arg(host)
                          .arg(m_policy.largest / (1024 * 1024)),
                      m_inUse);
    case Cut::TimedOut:
        return failed(timedOutReason(host, !m_body.isEmpty(), m_policy.timeout), m_inUse);
    case Cut::None:
        break;
    }
    if (isNetworkFailure(reply->error()))
        return failed(QStringLiteral("%1: %2").arg(host, reply->errorString()), m_inUse);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 304)
        return {BootstrapRefreshOutcome::Unchanged,
                QStringLiteral("%1 has not changed it since").arg(host), m_inUse};
    if (status != 200)
        return failed(status == 0 ? QStringLiteral("%1: %2").arg(host, reply->errorString())
                                  : httpStatusReason(host, *reply),
                      m_inUse);
    if (std::optional<QString> cut = cutShortReason(*reply, m_body.size(), host))
        return failed(std::move(*cut), m_inUse);
    return adopt(m_body);
}

BootstrapRefreshOutcome BootstrapRefresh::adopt(const QByteArray& body) const {
    const QString host = m_url.host();
    const Result<RdapBootstrap> fetched = parseRdapBootstrap(body, false);
    if (!fetched)
        return failed(QStringLiteral("the file from %1 is not a registry list: %2")
                          .arg(host, fetched.error().message),
                      m_inUse);
    // A list that would leave every name without a server, or cannot be dated, never replaces
    // one that works.
    if (fetched->servers.empty())
        return failed(QStringLiteral("the file from %1 lists no registry").arg(host), m_inUse);
    const QDateTime published = publicationTime(fetched->publication);
    if (!published.isValid())
        return failed(QStringLiteral("the file from %1 has no publication date").arg(host),
                      m_inUse);
    const QDateTime inUse = publicationTime(m_inUse);
    if (inUse.isValid() && published <= inUse)
        return {BootstrapRefreshOutcome::Unchanged,
                QStringLiteral("the list from %1 is of %2")
                    .arg(host, publicationDay(fetched->publication)),
                m_inUse};
    const QString path = userRdapBootstrapPath();
    QDir().mkpath(QFileInfo(path).path());
    if (const Status saved = writeFileWhole(path, body); !saved)
        return failed(saved.error().message, m_inUse);
    return {BootstrapRefreshOutcome::Refreshed, {}, fetched->publication};
}

void BootstrapRefresh::deliver(BootstrapRefreshOutcome outcome) {
    // Reasons carry what a server sent (a reason phrase, an error text): never raw.
    outcome.reason = cleanNetworkText(outcome.reason);
    QMetaObject::invokeMethod(
        this,
        [this, outcome, generation = m_generation] {
            if (generation == m_generation)
                emit finished(outcome);
        },
        Qt::QueuedConnection);
}

} // namespace nomispot
