#include "rdap/rdap_client.h"

#include "app_info.h"
#include "engine/dns_message.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>

namespace nomispot {

namespace {

using std::chrono::milliseconds;

// An RDAP answer is a few kilobytes; a larger one is not read to its end.
constexpr qint64 kLargestAnswer = 4 * 1024 * 1024;

QString seconds(milliseconds duration) {
    return QString::number(std::max<qint64>(1, (duration.count() + 999) / 1000));
}

} // namespace

std::optional<milliseconds> retryAfterDelay(const QByteArray& header, const QDateTime& now) {
    const QByteArray value = header.trimmed();
    bool isNumber = false;
    const qlonglong count = value.toLongLong(&isNumber);
    if (isNumber)
        return count < 0 ? std::nullopt
                         : std::optional(milliseconds(std::min(count, 86400LL) * 1000));
    // An HTTP date: "Sun, 06 Nov 1994 08:49:37 GMT".
    QString date = QString::fromLatin1(value);
    if (date.endsWith(QLatin1String(" GMT")))
        date.replace(date.size() - 3, 3, QStringLiteral("+0000"));
    const QDateTime when = QDateTime::fromString(date, Qt::RFC2822Date);
    if (!when.isValid())
        return std::nullopt;
    return milliseconds(std::max<qint64>(0, now.msecsTo(when)));
}

RdapClient::RdapClient(RdapBootstrap bootstrap, RdapPolicy policy, QObject* parent)
    : QObject(parent), m_bootstrap(std::move(bootstrap)), m_policy(policy) {
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this, &RdapClient::pump);
    // Never to a less safe scheme (https to http).
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

RdapClient::~RdapClient() {
    cancel();
}

void RdapClient::lookUp(int tag, const QString& asciiDomain) {
    ++m_pending;
    const std::optional<QUrl> server = rdapServerFor(m_bootstrap, asciiDomain);
    if (!server) {
        const RdapOutcome outcome{
            RegistryAnswer::Unknown, {}, noRdapServerMessage(asciiDomain), {}};
        QMetaObject::invokeMethod(
            this,
            [this, tag, outcome, generation = m_generation] {
                if (generation == m_generation)
                    deliver(tag, outcome);
            },
            Qt::QueuedConnection);
        return;
    }
    const QUrl url = server->resolved(
        QUrl(QStringLiteral("domain/") + withoutRoot(asciiDomain).toString().toLower()));
    const QString hostKey = url.host() + QLatin1Char(':') + QString::number(url.port(0));
    m_hosts[hostKey].waiting.push_back({tag, url, 0});
    QMetaObject::invokeMethod(this, &RdapClient::pump, Qt::QueuedConnection);
}

void RdapClient::cancel() {
    ++m_generation;
    m_wake.stop();
    for (auto& [key, host] : m_hosts) {
        host.waiting.clear();
        if (QNetworkReply* reply = std::exchange(host.current, nullptr)) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
    }
    m_pending = 0;
}

void RdapClient::pump() {
    const Clock::time_point now = Clock::now();
    std::optional<Clock::time_point> next;
    for (auto& [key, host] : m_hosts) {
        if (host.current || host.waiting.empty())
            continue;
        if (now >= host.readyAt)
            send(key, host);
        else
            next = std::min(next.value_or(host.readyAt), host.readyAt);
    }
    if (next)
        m_wake.start(std::chrono::ceil<milliseconds>(*next - now));
}

void RdapClient::send(const QString& hostKey, Host& host) {
    Question question = host.waiting.front();
    host.waiting.pop_front();
    QNetworkRequest request(question.url);
    request.setRawHeader("Accept", "application/rdap+json, application/json");
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("%1/%2.%3.%4")
                                                            .arg(appTitle())
                                                            .arg(kVersionMajor)
                                                            .arg(kVersionMinor)
                                                            .arg(kVersionRevision));
    request.setTransferTimeout(static_cast<int>(m_policy.timeout.count()));
    QNetworkReply* reply = m_network.get(request);
    host.current = reply;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kLargestAnswer) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, hostKey, question, reply] {
        reply->deleteLater();
        // The next question leaves a whole interval after this answer: the registry never sees
        // two within one, however long the first took to arrive.
        Host& host = m_hosts[hostKey];
        host.current = nullptr;
        host.readyAt = Clock::now() + m_policy.interval;
        received(hostKey, question, reply);
        pump();
    });
}

void RdapClient::received(const QString& hostKey, Question question, QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 429) {
        // Asked to slow down: wait as told (or back off), then ask the same again.
        ++question.attempt;
        const milliseconds wait =
            retryAfterDelay(reply->rawHeader("Retry-After"), QDateTime::currentDateTimeUtc())
                .value_or(m_policy.interval * (1 << std::min(question.attempt, 6)));
        if (question.attempt < m_policy.attempts && wait <= m_policy.longestWait) {
            Host& host = m_hosts[hostKey];
            host.readyAt = std::max(host.readyAt, Clock::now() + wait);
            host.waiting.push_front(question);
            return;
        }
        deliver(question.tag,
                {RegistryAnswer::Unknown,
                 {},
                 QStringLiteral("the registry asks to wait %1 s more before asking again")
                     .arg(seconds(wait)),
                 {}});
        return;
    }
    deliver(question.tag, outcomeOf(reply));
}

RdapOutcome RdapClient::outcomeOf(QNetworkReply* reply) const {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    RdapOutcome outcome;
    if (reply->property("tooLarge").toBool()) {
        outcome.reason = QStringLiteral("the registry's answer is too large");
        return outcome;
    }
    if (reply->error() == QNetworkReply::OperationCanceledError ||
        reply->error() == QNetworkReply::TimeoutError) {
        outcome.reason = QStringLiteral("no answer from %1 within %2 s")
                             .arg(reply->url().host(), seconds(m_policy.timeout));
        return outcome;
    }
    outcome.raw = reply->readAll();
    if (status == 200) {
        Result<RdapRecord> record = parseRdapDomain(outcome.raw);
        if (!record) {
            outcome.reason = record.error().message;
            return outcome;
        }
        outcome.answer = RegistryAnswer::Found;
        outcome.record = std::move(*record);
    } else if (status == 404) {
        outcome.answer = RegistryAnswer::NotFound;
    } else if (status != 0) {
        outcome.reason =
            QStringLiteral("the registry answered HTTP %1 %2")
                .arg(status)
                .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                .trimmed();
    } else {
        outcome.reason = QStringLiteral("%1: %2").arg(reply->url().host(), reply->errorString());
    }
    return outcome;
}

void RdapClient::deliver(int tag, const RdapOutcome& outcome) {
    --m_pending;
    emit answered(tag, outcome);
    if (m_pending == 0)
        emit idle();
}

} // namespace nomispot
