#include "registry/registry_transport.h"

#include "registry/network_text.h"

#include <QAbstractSocket>
#include <QNetworkReply>
#include <algorithm>

namespace nomispot {

QString wholeSeconds(std::chrono::milliseconds duration) {
    return QString::number(std::max<qint64>(1, (duration.count() + 999) / 1000));
}

QString timedOutReason(const QString& host, bool gotSome, std::chrono::milliseconds timeout) {
    return (gotSome ? QStringLiteral("the answer from %1 did not complete within %2 s")
                    : QStringLiteral("no answer from %1 within %2 s"))
        .arg(host, wholeSeconds(timeout));
}

QString hostWaitText(const HostWait& wait) {
    const QString seconds = wholeSeconds(wait.left);
    switch (wait.why) {
    case HostHold::Rest:
        return QStringLiteral("%1: resting %2 s after its rate-limit notice")
            .arg(wait.host, seconds);
    case HostHold::AskedToWait:
        return QStringLiteral("%1: waiting %2 s as it asked").arg(wait.host, seconds);
    case HostHold::Pacing:
        break;
    }
    return QStringLiteral("%1: next question in %2 s").arg(wait.host, seconds);
}

RegistryTransport::RegistryTransport(Limits limits, QObject* parent)
    : QObject(parent), m_limits(limits) {
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this, &RegistryTransport::pump);
}

RegistryTransport::~RegistryTransport() {
    for (auto& [key, host] : m_hosts)
        if (host.current)
            drop(host.current);
}

void RegistryTransport::lookUp(quint64 id, const QString& asciiDomain) {
    m_live.insert(id);
    std::variant<Question, RegistryOutcome> prepared = prepare(asciiDomain);
    if (auto* outcome = std::get_if<RegistryOutcome>(&prepared)) {
        deliverLater(id, std::move(*outcome));
        return;
    }
    Question question = std::get<Question>(std::move(prepared));
    question.id = id;
    enqueue(std::move(question));
}

void RegistryTransport::enqueue(Question question) {
    m_hosts[question.host].waiting.push_back(std::move(question));
    QMetaObject::invokeMethod(this, &RegistryTransport::pump, Qt::QueuedConnection);
}

void RegistryTransport::askAgain(Question question, std::chrono::milliseconds wait, HostHold why) {
    rest(question.host, wait, why);
    m_hosts[question.host].waiting.push_front(std::move(question));
}

void RegistryTransport::rest(const QString& host, std::chrono::milliseconds wait, HostHold why) {
    holdUntil(m_hosts[host], Clock::now() + wait, why);
}

void RegistryTransport::holdUntil(Host& host, Clock::time_point until, HostHold why) {
    if (until > host.readyAt) {
        host.readyAt = until;
        host.hold = why;
    }
}

std::optional<HostWait>
RegistryTransport::longestWait(const std::function<bool(quint64)>& which) const {
    const auto now = Clock::now();
    std::optional<HostWait> longest;
    for (const auto& [key, host] : m_hosts) {
        if (host.current || host.readyAt <= now ||
            std::none_of(host.waiting.begin(), host.waiting.end(),
                         [&which](const Question& q) { return which(q.id); }))
            continue;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(host.readyAt - now);
        if (!longest || left > longest->left)
            longest = HostWait{key, left, host.hold};
    }
    return longest;
}

bool RegistryTransport::asking(const std::function<bool(quint64)>& which) const {
    return std::any_of(m_hosts.begin(), m_hosts.end(), [&which](const auto& entry) {
        return entry.second.current && which(entry.second.answer.question.id);
    });
}

void RegistryTransport::forget(const std::function<bool(quint64)>& which) {
    for (auto& [key, host] : m_hosts) {
        std::erase_if(host.waiting, [&](const Question& q) { return which(q.id); });
        if (host.current && which(host.answer.question.id)) {
            drop(host.current);
            host.current = nullptr;
            host.answer = {};
            // The question reached the host: the next one keeps its distance all the same.
            holdUntil(host, Clock::now() + m_limits.interval, HostHold::Pacing);
        }
    }
    std::erase_if(m_live, which);
    QMetaObject::invokeMethod(this, &RegistryTransport::pump, Qt::QueuedConnection);
}

void RegistryTransport::pump() {
    const auto now = Clock::now();
    std::optional<Clock::time_point> next;
    for (auto& [key, host] : m_hosts) {
        if (host.current || host.waiting.empty())
            continue;
        if (now >= host.readyAt)
            send(host);
        else
            next = std::min(next.value_or(host.readyAt), host.readyAt);
    }
    if (next)
        m_wake.start(std::chrono::ceil<std::chrono::milliseconds>(*next - now));
}

void RegistryTransport::send(Host& host) {
    Question question = std::move(host.waiting.front());
    host.waiting.pop_front();
    host.answer = {question, {}, Cut::None};
    QIODevice* device = open(question);
    host.current = device;
    connect(device, &QIODevice::readyRead, this, [this, device] {
        if (Host* host = hostOf(device)) {
            take(*host);
            if (host->answer.cut == Cut::TooLarge)
                close(device);
        }
    });
    // The whole answer within the time-out: a server that sends it a byte at a time is cut off
    // all the same.
    QTimer::singleShot(m_limits.timeout, device, [this, device] {
        if (Host* host = hostOf(device)) {
            host->answer.cut = Cut::TimedOut;
            close(device);
        }
    });
    begin(*device, question);
}

void RegistryTransport::take(Host& host) {
    // Counted as it arrives: an answer without end stops at the cap, not when memory runs out.
    QByteArray& body = host.answer.body;
    body += host.current->read(m_limits.largest + 1 - body.size());
    if (body.size() > m_limits.largest)
        host.answer.cut = Cut::TooLarge;
}

RegistryTransport::Host* RegistryTransport::hostOf(const QIODevice* device) {
    for (auto& [key, host] : m_hosts)
        if (host.current && host.current == device)
            return &host;
    return nullptr;
}

void RegistryTransport::close(QIODevice* device, const QString& failure) {
    Host* host = hostOf(device);
    if (!host)
        return;
    if (host->answer.cut == Cut::None && device->isOpen())
        take(*host);
    Answer answer = std::exchange(host->answer, {});
    answer.body.truncate(m_limits.largest);
    host->current = nullptr;
    // The next question leaves a whole interval after this answer's end: the registry never sees
    // two within one, however long the first took.
    holdUntil(*host, Clock::now() + m_limits.interval, HostHold::Pacing);
    device->disconnect(this);
    conclude(std::move(answer), *device, failure);
    drop(device);
    pump();
}

void RegistryTransport::drop(QIODevice* device) {
    device->disconnect(this);
    if (auto* reply = qobject_cast<QNetworkReply*>(device))
        reply->abort();
    else if (auto* socket = qobject_cast<QAbstractSocket*>(device))
        socket->abort();
    device->deleteLater();
}

void RegistryTransport::deliverLater(quint64 id, RegistryOutcome outcome) {
    QMetaObject::invokeMethod(
        this, [this, id, outcome = std::move(outcome)] { deliver(id, outcome); },
        Qt::QueuedConnection);
}

void RegistryTransport::deliver(quint64 id, RegistryOutcome outcome) {
    if (m_live.erase(id) == 0)
        return; // forgotten meanwhile
    // Reasons carry what a server sent (a reason phrase, an error text): never raw.
    outcome.reason = cleanNetworkText(outcome.reason);
    emit answered(id, outcome);
    if (m_live.empty())
        emit idle();
}

} // namespace nomispot
