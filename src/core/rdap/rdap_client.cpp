#include "rdap/rdap_client.h"

#include "engine/dns_message.h"
#include "rdap/host_pacing.h"
#include "rdap/http_answer.h"
#include "rdap/network_text.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>

namespace nomispot {

namespace {

using std::chrono::milliseconds;

// An RDAP answer is a few kilobytes; a larger one is not read to its end.
constexpr qsizetype kLargestAnswer = 4 * 1024 * 1024;
// The queue a question waits in: one per server, whatever the scheme.
QString hostKeyOf(const QUrl& url) {
    return url.host() + QLatin1Char(':') + QString::number(url.port(0));
}

RegistryOutcome unknownFromRdap(QString reason) {
    RegistryOutcome outcome;
    outcome.reason = std::move(reason);
    outcome.source = RegistrySource::Rdap;
    return outcome;
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
    // Redirects are ours to follow: each hop is checked and paced like a question.
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

RdapClient::~RdapClient() {
    cancel();
}

void RdapClient::lookUp(int tag, const QString& asciiDomain) {
    ++m_pending;
    const std::optional<QUrl> server = rdapServerFor(m_bootstrap, asciiDomain);
    if (!server) {
        RegistryOutcome outcome;
        outcome.reason = noRdapServerMessage(m_bootstrap, asciiDomain);
        QMetaObject::invokeMethod(
            this,
            [this, tag, outcome, generation = m_generation] {
                if (generation == m_generation)
                    deliver(tag, outcome);
            },
            Qt::QueuedConnection);
        return;
    }
    const QString domain = withoutRoot(asciiDomain).toString().toLower();
    enqueue({tag, domain, server->resolved(QUrl(QStringLiteral("domain/") + domain))});
}

void RdapClient::enqueue(Question question) {
    m_hosts[hostKeyOf(question.url)].waiting.push_back(std::move(question));
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
        host.body.clear();
    }
    m_pending = 0;
}

void RdapClient::pump() {
    if (const auto wait =
            sendDueQuestions(m_hosts, [this](const QString& key, Host& host) { send(key, host); }))
        m_wake.start(*wait);
}

void RdapClient::send(const QString& hostKey, Host& host) {
    Question question = host.waiting.front();
    host.waiting.pop_front();
    QNetworkReply* reply =
        m_network.get(programRequest(question.url, "application/rdap+json, application/json"));
    reply->setReadBufferSize(kHttpReadBuffer);
    host.current = reply;
    host.body.clear();
    host.cut = Cut::None;
    connect(reply, &QIODevice::readyRead, this, [this, hostKey, reply] {
        if (Host& host = m_hosts[hostKey]; host.current == reply)
            take(host, reply);
    });
    // The whole answer within the time-out: a server that sends its headers, or its body, a
    // byte at a time is cut off all the same.
    QTimer::singleShot(m_policy.timeout, reply, [this, hostKey, reply] {
        if (Host& host = m_hosts[hostKey]; host.current == reply) {
            host.cut = Cut::TimedOut;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, hostKey, question, reply] {
        reply->deleteLater();
        Host& host = m_hosts[hostKey];
        if (host.current != reply)
            return;
        if (host.cut == Cut::None)
            take(host, reply);
        const QByteArray body = std::exchange(host.body, {});
        // The next question leaves a whole interval after this answer: the registry never sees
        // two within one, however long the first took to arrive.
        host.current = nullptr;
        host.readyAt = Clock::now() + m_policy.interval;
        received(hostKey, question, reply, body, host.cut);
        pump();
    });
}

void RdapClient::take(Host& host, QNetworkReply* reply) {
    // Counted as it arrives: an answer without end stops at the cap, not when memory runs out.
    host.body += reply->read(kLargestAnswer + 1 - host.body.size());
    if (host.body.size() > kLargestAnswer) {
        host.cut = Cut::TooLarge;
        reply->abort();
    }
}

void RdapClient::received(const QString& hostKey, Question question, QNetworkReply* reply,
                          const QByteArray& body, Cut cut) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (cut == Cut::None && status == 429) {
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
                unknownFromRdap(
                    QStringLiteral("the registry asks to wait %1 s more before asking again")
                        .arg(wholeSeconds(wait))));
        return;
    }
    if (cut == Cut::None && isRedirect(status) && !isNetworkFailure(reply->error())) {
        RedirectStep step =
            redirectStep(question.url, *reply, question.redirects, QStringLiteral("the registry"));
        if (!step.refusal.isEmpty()) {
            deliver(question.tag, unknownFromRdap(std::move(step.refusal)));
            return;
        }
        question.url = std::move(step.target);
        ++question.redirects;
        enqueue(std::move(question));
        return;
    }
    deliver(question.tag, outcomeOf(question, reply, body, cut));
}

RegistryOutcome RdapClient::outcomeOf(const Question& question, QNetworkReply* reply,
                                      QByteArray body, Cut cut) const {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString host = question.url.host();
    RegistryOutcome outcome = unknownFromRdap({});
    outcome.plainHttp = question.url.scheme() == QLatin1String("http");
    switch (cut) {
    case Cut::TooLarge:
        outcome.reason = QStringLiteral("the registry's answer is too large (over %1 MB)")
                             .arg(kLargestAnswer / (1024 * 1024));
        return outcome;
    case Cut::TimedOut:
        outcome.reason = timedOutReason(host, !body.isEmpty(), m_policy.timeout);
        return outcome;
    case Cut::None:
        break;
    }
    if (isNetworkFailure(reply->error())) {
        outcome.reason =
            body.isEmpty()
                ? QStringLiteral("%1: %2").arg(host, reply->errorString())
                : QStringLiteral("the connection to %1 broke off after %2 bytes of the answer (%3)")
                      .arg(host)
                      .arg(body.size())
                      .arg(reply->errorString());
        return outcome;
    }
    if (std::optional<QString> cut = cutShortReason(*reply, body.size(), host)) {
        outcome.reason = std::move(*cut);
        return outcome;
    }
    outcome.raw = std::move(body);
    if (status == 200) {
        Result<RdapRecord> record = parseRdapDomain(outcome.raw);
        if (!record) {
            outcome.reason = record.error().message;
            return outcome;
        }
        // Only an answer about the very name asked counts.
        if (!isRecordOf(*record, question.domain)) {
            const QString other = record->ldhName.isEmpty() ? record->unicodeName : record->ldhName;
            outcome.reason =
                other.isEmpty()
                    ? QStringLiteral("the registry's answer does not name the domain")
                    : QStringLiteral("the registry answered about another domain (%1)").arg(other);
            return outcome;
        }
        outcome.answer = RegistryAnswer::Found;
        outcome.record = std::move(*record);
    } else if (status == 404) {
        outcome.answer = RegistryAnswer::NotFound;
    } else if (status != 0) {
        outcome.reason = httpStatusReason(QStringLiteral("the registry"), *reply);
    } else {
        outcome.reason = QStringLiteral("%1: %2").arg(host, reply->errorString());
    }
    return outcome;
}

void RdapClient::deliver(int tag, RegistryOutcome outcome) {
    // Reasons carry what a server sent (a reason phrase, an error text): never raw.
    outcome.reason = cleanNetworkText(outcome.reason);
    --m_pending;
    emit answered(tag, outcome);
    if (m_pending == 0)
        emit idle();
}

} // namespace nomispot
