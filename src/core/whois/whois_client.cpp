#include "whois/whois_client.h"

#include "engine/dns_message.h"
#include "rdap/host_pacing.h"
#include "rdap/network_text.h"
#include "whois/whois_answer.h"

#include <QTcpSocket>
#include <algorithm>

namespace nomispot {

namespace {

using std::chrono::milliseconds;

// What the network may hold for us before we read it.
constexpr qint64 kReadBuffer = 64 * 1024;

QString seconds(milliseconds duration) {
    return QString::number(std::max<qint64>(1, (duration.count() + 999) / 1000));
}

QString hostKeyOf(const WhoisServer& server) {
    return server.port == 43 ? server.host
                             : server.host + QLatin1Char(':') + QString::number(server.port);
}

RegistryOutcome unknownFromWhois(QString reason) {
    RegistryOutcome outcome;
    outcome.reason = std::move(reason);
    outcome.source = RegistrySource::Whois;
    return outcome;
}

} // namespace

WhoisClient::WhoisClient(WhoisDirectory directory, WhoisPolicy policy, QObject* parent)
    : QObject(parent), m_directory(std::move(directory)), m_policy(policy) {
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this, &WhoisClient::pump);
}

WhoisClient::~WhoisClient() {
    cancel();
}

void WhoisClient::lookUp(int tag, const QString& asciiDomain) {
    ++m_pending;
    const std::optional<WhoisServer> server = whoisServerFor(m_directory, asciiDomain);
    if (!server) {
        RegistryOutcome outcome;
        outcome.reason = noWhoisServerMessage(asciiDomain);
        deliverLater(tag, outcome);
        return;
    }
    const QString line = whoisQueryLine(*server, asciiDomain);
    if (line.isEmpty()) {
        // Never sent: it would carry more than one question.
        RegistryOutcome outcome = unknownFromWhois(
            QStringLiteral("\"%1\" is not a name a WHOIS server can be asked about")
                .arg(cleanNetworkText(asciiDomain, 80)));
        outcome.source = RegistrySource::None;
        deliverLater(tag, outcome);
        return;
    }
    const QString key = hostKeyOf(*server);
    Host& host = m_hosts[key];
    host.name = server->host;
    host.port = server->port;
    host.waiting.push_back({tag, withoutRoot(asciiDomain).toString().toLower(), line, 0});
    QMetaObject::invokeMethod(this, &WhoisClient::pump, Qt::QueuedConnection);
}

void WhoisClient::deliverLater(int tag, RegistryOutcome outcome) {
    QMetaObject::invokeMethod(
        this,
        [this, tag, outcome, generation = m_generation] {
            if (generation == m_generation)
                deliver(tag, outcome);
        },
        Qt::QueuedConnection);
}

void WhoisClient::cancel() {
    ++m_generation;
    m_wake.stop();
    for (auto& [key, host] : m_hosts) {
        host.waiting.clear();
        if (QTcpSocket* socket = std::exchange(host.current, nullptr)) {
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
        }
        host.body.clear();
    }
    m_asked.clear();
    m_pending = 0;
}

void WhoisClient::pump() {
    if (const auto wait =
            sendDueQuestions(m_hosts, [this](const QString& key, Host& host) { send(key, host); }))
        m_wake.start(*wait);
}

void WhoisClient::send(const QString& hostKey, Host& host) {
    const Question question = host.waiting.front();
    host.waiting.pop_front();
    auto* socket = new QTcpSocket(this);
    socket->setReadBufferSize(kReadBuffer);
    host.current = socket;
    host.body.clear();
    host.cut = Cut::None;
    host.connected = false;
    m_asked[socket] = question;
    connect(socket, &QTcpSocket::connected, this, [this, hostKey, socket, line = question.line] {
        Host& host = m_hosts[hostKey];
        if (host.current != socket)
            return;
        host.connected = true;
        socket->write(line.toLatin1() + "\r\n");
    });
    connect(socket, &QIODevice::readyRead, this, [this, hostKey, socket] {
        Host& host = m_hosts[hostKey];
        if (host.current != socket)
            return;
        take(host, socket);
        if (host.cut == Cut::TooLarge)
            finish(hostKey, socket, {});
    });
    connect(socket, &QTcpSocket::disconnected, this,
            [this, hostKey, socket] { finish(hostKey, socket, {}); });
    connect(socket, &QTcpSocket::errorOccurred, this,
            [this, hostKey, socket](QAbstractSocket::SocketError error) {
                // The server closing is how an answer ends (RFC 3912).
                if (error == QAbstractSocket::RemoteHostClosedError)
                    finish(hostKey, socket, {});
                else
                    finish(hostKey, socket, socket->errorString());
            });
    // Connecting and the whole answer within the time-out: a server that drips its answer a byte
    // at a time is cut off all the same.
    QTimer::singleShot(m_policy.timeout, socket, [this, hostKey, socket] {
        Host& host = m_hosts[hostKey];
        if (host.current != socket)
            return;
        host.cut = Cut::TimedOut;
        finish(hostKey, socket, {});
    });
    socket->connectToHost(host.name, host.port);
}

void WhoisClient::take(Host& host, QTcpSocket* socket) {
    // Counted as it arrives: an answer without end stops at the cap, not when memory runs out.
    host.body += socket->read(kLargestWhoisAnswer + 1 - host.body.size());
    if (host.body.size() > kLargestWhoisAnswer)
        host.cut = Cut::TooLarge;
}

void WhoisClient::finish(const QString& hostKey, QTcpSocket* socket, const QString& failure) {
    Host& host = m_hosts[hostKey];
    if (host.current != socket)
        return;
    if (host.cut == Cut::None && socket->isOpen())
        take(host, socket);
    host.current = nullptr;
    Question question = m_asked[socket];
    m_asked.erase(socket);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    // The next question leaves a whole interval after this answer's end.
    host.readyAt = Clock::now() + m_policy.interval;
    bool rateLimited = false;
    RegistryOutcome outcome = outcomeOf(host, question, failure, rateLimited);
    host.body.clear();
    if (rateLimited && ++question.attempt < m_policy.attempts) {
        // Refused for the rate: the host rests, then the same question is asked again.
        host.readyAt = std::max(host.readyAt, Clock::now() + m_policy.rest);
        host.waiting.push_front(question);
    } else {
        deliver(question.tag, std::move(outcome));
    }
    pump();
}

RegistryOutcome WhoisClient::outcomeOf(const Host& host, const Question& question,
                                       const QString& failure, bool& rateLimited) const {
    const QString name =
        host.port == 43 ? host.name : host.name + QLatin1Char(':') + QString::number(host.port);
    RegistryOutcome outcome = unknownFromWhois({});
    outcome.raw = host.body.left(kLargestWhoisAnswer);
    switch (host.cut) {
    case Cut::TooLarge:
        outcome.reason = QStringLiteral("the answer from %1 is too large (over %2 KB)")
                             .arg(name)
                             .arg(kLargestWhoisAnswer / 1024);
        return outcome;
    case Cut::TimedOut:
        outcome.reason = host.body.isEmpty()
                             ? QStringLiteral("no answer from %1 within %2 s")
                                   .arg(name, seconds(m_policy.timeout))
                             : QStringLiteral("the answer from %1 did not complete within %2 s")
                                   .arg(name, seconds(m_policy.timeout));
        return outcome;
    case Cut::None:
        break;
    }
    if (!failure.isEmpty()) {
        outcome.reason = host.body.isEmpty()
                             ? QStringLiteral("%1: %2").arg(name, failure)
                             : QStringLiteral("the connection to %1 broke off after %2 bytes (%3)")
                                   .arg(name)
                                   .arg(host.body.size())
                                   .arg(failure);
        return outcome;
    }
    if (host.body.trimmed().isEmpty()) {
        outcome.reason = QStringLiteral("%1 closed the connection without an answer").arg(name);
        return outcome;
    }
    const WhoisReading reading = readWhoisAnswer(m_directory.wordings, question.domain, host.body);
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

void WhoisClient::deliver(int tag, RegistryOutcome outcome) {
    outcome.reason = cleanNetworkText(outcome.reason);
    --m_pending;
    emit answered(tag, outcome);
    if (m_pending == 0)
        emit idle();
}

} // namespace nomispot
