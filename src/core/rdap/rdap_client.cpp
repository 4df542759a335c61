#include "rdap/rdap_client.h"

#include "engine/dns_message.h"
#include "rdap/http_answer.h"
#include "rdap/rdap_record.h"
#include "registry/network_text.h"

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
    : RegistryTransport({policy.interval, policy.timeout, kLargestAnswer}, parent),
      m_bootstrap(std::move(bootstrap)), m_policy(policy) {
    // Redirects are ours to follow: each hop is checked and paced like a question.
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

std::variant<RegistryTransport::Question, RegistryOutcome>
RdapClient::prepare(const QString& asciiDomain) const {
    const std::optional<QUrl> server = rdapServerFor(m_bootstrap, asciiDomain);
    if (!server) {
        RegistryOutcome outcome;
        outcome.reason = noRdapServerMessage(m_bootstrap, asciiDomain);
        return outcome;
    }
    Question question;
    question.domain = withoutRoot(asciiDomain).toString().toLower();
    question.url = server->resolved(QUrl(QStringLiteral("domain/") + question.domain));
    question.host = hostKeyOf(question.url);
    return question;
}

QIODevice* RdapClient::open(const Question& question) {
    QNetworkReply* reply =
        m_network.get(programRequest(question.url, "application/rdap+json, application/json"));
    reply->setReadBufferSize(kHttpReadBuffer);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { close(reply); });
    return reply;
}

void RdapClient::conclude(Answer answer, QIODevice& device, const QString&) {
    const auto& reply = static_cast<const QNetworkReply&>(device);
    Question& question = answer.question;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (answer.cut == Cut::None && status == 429) {
        // Asked to slow down: wait as told (or back off), then ask the same again.
        ++question.attempt;
        const milliseconds wait =
            retryAfterDelay(reply.rawHeader("Retry-After"), QDateTime::currentDateTimeUtc())
                .value_or(m_policy.interval * (1 << std::min(question.attempt, 6)));
        if (question.attempt < m_policy.attempts && wait <= m_policy.longestWait) {
            askAgain(std::move(question), wait, HostHold::AskedToWait);
            return;
        }
        deliver(question.id,
                unknownFromRdap(
                    QStringLiteral("the registry asks to wait %1 s more before asking again")
                        .arg(wholeSeconds(wait))));
        return;
    }
    if (answer.cut == Cut::None && isRedirect(status) && !isNetworkFailure(reply.error())) {
        RedirectStep step =
            redirectStep(question.url, reply, question.redirects, QStringLiteral("the registry"));
        if (!step.refusal.isEmpty()) {
            deliver(question.id, unknownFromRdap(std::move(step.refusal)));
            return;
        }
        question.url = std::move(step.target);
        question.host = hostKeyOf(question.url);
        ++question.redirects;
        enqueue(std::move(question));
        return;
    }
    deliver(question.id, outcomeOf(answer, reply));
}

RegistryOutcome RdapClient::outcomeOf(const Answer& answer, const QNetworkReply& reply) const {
    const Question& question = answer.question;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString host = question.url.host();
    RegistryOutcome outcome = unknownFromRdap({});
    outcome.plainHttp = question.url.scheme() == QLatin1String("http");
    switch (answer.cut) {
    case Cut::TooLarge:
        outcome.reason = QStringLiteral("the registry's answer is too large (over %1 MB)")
                             .arg(kLargestAnswer / (1024 * 1024));
        return outcome;
    case Cut::TimedOut:
        outcome.reason = timedOutReason(host, !answer.body.isEmpty(), m_policy.timeout);
        return outcome;
    case Cut::None:
        break;
    }
    if (isNetworkFailure(reply.error())) {
        outcome.reason =
            answer.body.isEmpty()
                ? QStringLiteral("%1: %2").arg(host, reply.errorString())
                : QStringLiteral("the connection to %1 broke off after %2 bytes of the answer (%3)")
                      .arg(host)
                      .arg(answer.body.size())
                      .arg(reply.errorString());
        return outcome;
    }
    if (std::optional<QString> cut = cutShortReason(reply, answer.body.size(), host)) {
        outcome.reason = std::move(*cut);
        return outcome;
    }
    outcome.raw = answer.body;
    if (status == 200) {
        Result<RegistrationRecord> record = parseRdapDomain(outcome.raw);
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
        outcome.reason = httpStatusReason(QStringLiteral("the registry"), reply);
    } else {
        outcome.reason = QStringLiteral("%1: %2").arg(host, reply.errorString());
    }
    return outcome;
}

} // namespace nomispot
