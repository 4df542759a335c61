#include "whois/whois_client.h"

#include "engine/dns_message.h"
#include "registry/network_text.h"
#include "whois/whois_answer.h"

#include <QTcpSocket>
#include <algorithm>

namespace nomispot {

namespace {

using std::chrono::milliseconds;

// What the network may hold for us before we read it.
constexpr qint64 kReadBuffer = 64 * 1024;

// The host as reasons name it, with its port when that is not WHOIS's own.
QString hostKeyOf(const QString& host, quint16 port) {
    return port == 43 ? host : host + QLatin1Char(':') + QString::number(port);
}

RegistryOutcome unknownFromWhois(QString reason) {
    RegistryOutcome outcome;
    outcome.reason = std::move(reason);
    outcome.source = RegistrySource::Whois;
    return outcome;
}

} // namespace

WhoisClient::WhoisClient(WhoisDirectory directory, WhoisPolicy policy, QObject* parent)
    : RegistryTransport({policy.interval, policy.timeout, kLargestWhoisAnswer}, parent),
      m_directory(std::move(directory)), m_policy(policy) {}

std::variant<RegistryTransport::Question, RegistryOutcome>
WhoisClient::prepare(const QString& asciiDomain) const {
    const std::optional<WhoisServer> server = whoisServerFor(m_directory, asciiDomain);
    if (!server) {
        RegistryOutcome outcome;
        outcome.reason = noWhoisServerMessage(asciiDomain);
        return outcome;
    }
    Question question;
    question.line = whoisQueryLine(*server, asciiDomain);
    if (question.line.isEmpty()) {
        // Never sent: it would carry more than one question.
        RegistryOutcome outcome;
        outcome.reason = QStringLiteral("\"%1\" is not a name a WHOIS server can be asked about")
                             .arg(cleanNetworkText(asciiDomain, 80));
        return outcome;
    }
    question.domain = withoutRoot(asciiDomain).toString().toLower();
    question.server = server->host;
    question.port = server->port;
    question.host = hostKeyOf(server->host, server->port);
    return question;
}

QIODevice* WhoisClient::open(const Question& question) {
    auto* socket = new QTcpSocket(this);
    socket->setReadBufferSize(kReadBuffer);
    connect(socket, &QTcpSocket::connected, this,
            [socket, line = question.line] { socket->write(line.toLatin1() + "\r\n"); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { close(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this,
            [this, socket](QAbstractSocket::SocketError error) {
                // The server closing is how an answer ends (RFC 3912).
                close(socket, error == QAbstractSocket::RemoteHostClosedError
                                  ? QString()
                                  : socket->errorString());
            });
    return socket;
}

void WhoisClient::begin(QIODevice& device, const Question& question) {
    static_cast<QTcpSocket&>(device).connectToHost(question.server, question.port);
}

void WhoisClient::conclude(Answer answer, QIODevice&, const QString& failure) {
    bool rateLimited = false;
    RegistryOutcome outcome = outcomeOf(answer, failure, rateLimited);
    Question& question = answer.question;
    if (!rateLimited) {
        deliver(question.id, std::move(outcome));
        return;
    }
    // Refused for the rate: the host rests whether or not this question is asked again, so that
    // whoever asks it next waits too.
    if (++question.attempt < m_policy.attempts) {
        askAgain(std::move(question), m_policy.rest, HostHold::Rest);
        return;
    }
    rest(question.host, m_policy.rest, HostHold::Rest);
    deliver(question.id, std::move(outcome));
}

RegistryOutcome WhoisClient::outcomeOf(const Answer& answer, const QString& failure,
                                       bool& rateLimited) const {
    const QString& name = answer.question.host;
    const QByteArray& body = answer.body;
    RegistryOutcome outcome = unknownFromWhois({});
    outcome.raw = body;
    switch (answer.cut) {
    case Cut::TooLarge:
        outcome.reason = QStringLiteral("the answer from %1 is too large (over %2 KB)")
                             .arg(name)
                             .arg(kLargestWhoisAnswer / 1024);
        return outcome;
    case Cut::TimedOut:
        outcome.reason = timedOutReason(name, !body.isEmpty(), m_policy.timeout);
        return outcome;
    case Cut::None:
        break;
    }
    if (!failure.isEmpty()) {
        outcome.reason = body.isEmpty()
                             ? QStringLiteral("%1: %2").arg(name, failure)
                             : QStringLiteral("the connection to %1 broke off after %2 bytes (%3)")
                                   .arg(name)
                                   .arg(body.size())
                                   .arg(failure);
        return outcome;
    }
    if (body.trimmed().isEmpty()) {
        outcome.reason = QStringLiteral("%1 closed the connection without an answer").arg(name);
        return outcome;
    }
    const WhoisReading reading =
        readWhoisAnswer(m_directory.wordings, answer.question.domain, body);
    rateLimited = reading.rateLimited;
    outcome.answer = reading.answer;
    outcome.record = reading.record;
    outcome.reserved = reading.reserved;
    outcome.reason =
        reading.rateLimited
            ? QStringLiteral("%1 refuses questions for now: %2").arg(name, reading.reason)
            : reading.reason;
    return outcome;
}

} // namespace nomispot
