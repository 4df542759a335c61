#include "engine/query_runner.h"

#include "engine/network.h"

#include <QHostInfo>
#include <algorithm>
#include <utility>

namespace nomispot {

namespace {
// The classic DNS limit over UDP; a longer reply is cut, its header and question still whole.
constexpr qsizetype kMaxReplyBytes = 512;
// Datagrams taken per wake-up: all a full receive buffer holds, yet a flood that never ends
// still lets the event loop turn.
constexpr int kMaxReadsPerWakeUp = 4096;
// Ticks made up at one wake-up when the timer fell behind its schedule; a longer stall (a
// suspended machine) starts the schedule afresh rather than sending a burst.
constexpr qint64 kMostCatchUpTicks = 8;
// The last answers of a run are waited for this long at least, however short the delay: ten
// ticks of 1 ms are less than many resolvers take to answer.
constexpr int kShortestFinalWaitMs = 100;
// Nothing listens at the nameserver's address when its first sends are refused this often and
// nothing at all has come back after this long.
constexpr int kRefusalsOfADeadServer = 3;
constexpr qint64 kSilenceOfADeadServerMs = 2000;
} // namespace

QueryRunner::QueryRunner(QObject* parent)
    : QObject(parent), m_socket(this), m_tcp(this), m_timer(this) {
    m_socket.setObjectName(QStringLiteral("Winsock1"));
    m_timer.setObjectName(QStringLiteral("Delaytimer"));
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QueryRunner::tickOnSchedule);
    connect(&m_socket, &QUdpSocket::readyRead, this, &QueryRunner::readReplies);
    connect(&m_tcp, &TcpQuestions::answered, this, [this](const QByteArray& message) {
        m_heard = true;
        if (m_phase)
            m_phase->datagram(message);
    });
    // Reported from the event loop: a message shown from inside the socket's handler would stop
    // its reading until closed.
    connect(&m_socket, &QUdpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) {
                // Refusals before any answer are what a dead nameserver looks like: told once,
                // as that, when the run gives up on it.
                if (error == QAbstractSocket::ConnectionRefusedError) {
                    noteRefusal();
                    if (!m_heard)
                        return;
                }
                QMetaObject::invokeMethod(
                    this, [this, reason = m_socket.errorString()] { reportSocketError(reason); },
                    Qt::QueuedConnection);
            });
}

QueryRunner::~QueryRunner() {
    stop();
}

void QueryRunner::prepareNetwork(const QString& nameserver) {
    m_preparing = true;
    const auto report = [this](const Status& status) {
        QMetaObject::invokeMethod(
            this,
            [this, status] {
                if (!std::exchange(m_preparing, false))
                    return; // stopped meanwhile
                if (status)
                    emit networkReady();
                else
                    emit networkFailed(status.error().message);
            },
            Qt::QueuedConnection);
    };
    const Result<NameserverAddress> parsed = parseNameserver(nameserver);
    if (!parsed) {
        report(Failure{networkFailureMessage(nameserver, parsed.error().message)});
        return;
    }
    if (parsed->address) {
        report(InitNetwork(m_socket, *parsed->address, parsed->port, nameserver));
        return;
    }
    m_lookupId = QHostInfo::lookupHost(
        parsed->host, this, [this, nameserver, port = parsed->port](const QHostInfo& info) {
            m_lookupId = -1;
            m_preparing = false;
            const std::optional<QHostAddress> address = preferredAddress(info.addresses());
            if (info.error() != QHostInfo::NoError || !address)
                emit networkFailed(networkFailureMessage(nameserver, lookupFailure(info)));
            else if (const Status status = InitNetwork(m_socket, *address, port, nameserver))
                emit networkReady();
            else
                emit networkFailed(status.error().message);
        });
}

Status QueryRunner::initNetwork(const QString& nameserver) {
    return InitNetwork(m_socket, nameserver);
}

void QueryRunner::start(CheckTable& table, int delayMs, int retries, int progressMax) {
    QueryPhase::Hooks hooks;
    hooks.send = [this](const QByteArray& d) { return send(d); };
    hooks.cellChanged = [this](int c, int r) { emit cellChanged(c, r); };
    hooks.progress = [this](int answered) { emit progressChanged(answered); };
    hooks.askOverTcp = [this](const QByteArray& query) { m_tcp.ask(query); };
    hooks.finished = [this] {
        m_timer.stop();
        m_tcp.stop();
        // Every question refused and nothing back: the nameserver, not the names, is the answer.
        const bool dead = onlyRefused();
        const QString message = dead ? deadServerMessage() : QString();
        m_socket.close();
        if (dead)
            emit networkFailed(message);
        else
            emit finished();
    };
    hooks.sendFailed = [this] {
        const QString reason = m_socket.errorString();
        m_timer.stop();
        m_tcp.stop();
        m_socket.close();
        emit sendFailed(reason);
    };
    const int tickMs = std::max(delayMs, 1);
    m_phase.emplace(
        table, retries, progressMax, std::move(hooks),
        std::max(QueryPhase::kFinalPauseTicks, (kShortestFinalWaitMs + tickMs - 1) / tickMs));
    m_tickNs = std::max<qint64>(delayMs, 1) * 1'000'000;
    m_ticksDone = 0;
    m_refusals = 0;
    m_heard = false;
    m_tcp.setServer(m_socket.peerAddress(), m_socket.peerPort());
    ++m_runs;
    m_timer.setInterval(std::max(delayMs, 1));
    m_timer.start();
    m_clock.start();
    m_phase->start();
}

void QueryRunner::tickOnSchedule() {
    // Ticks follow the clock, not the timer's count: a timer that fires a little late each time
    // would otherwise stretch every run by its lateness.
    if (!m_phase)
        return;
    const qint64 due = m_clock.nsecsElapsed() / m_tickNs;
    if (due - m_ticksDone > kMostCatchUpTicks)
        m_ticksDone = due - 1;
    // A run that ends within a tick may be followed at once by the next: that one keeps its own.
    for (const unsigned run = m_runs; m_runs == run && m_ticksDone < due && m_phase->isRunning();) {
        ++m_ticksDone;
        m_phase->tick();
    }
    // A dead nameserver is named at once rather than waited for through every pass.
    if (nothingListens()) {
        const QString message = deadServerMessage();
        stop();
        emit networkFailed(message);
    }
}

void QueryRunner::noteRefusal() {
    if (m_phase && m_phase->isRunning())
        ++m_refusals;
}

bool QueryRunner::onlyRefused() const {
    return !m_heard && m_refusals >= kRefusalsOfADeadServer;
}

bool QueryRunner::nothingListens() const {
    return m_phase && m_phase->isRunning() && onlyRefused() &&
           m_clock.elapsed() >= kSilenceOfADeadServerMs;
}

QString QueryRunner::deadServerMessage() const {
    return nothingAnswersMessage(m_socket.peerAddress(), m_socket.peerPort());
}

void QueryRunner::stop() {
    m_preparing = false;
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    if (m_phase)
        m_phase->cancel();
    m_socket.close();
    m_tcp.stop();
    m_timer.stop();
}

bool QueryRunner::isRunning() const {
    return m_phase && m_phase->isRunning();
}

int QueryRunner::answered() const {
    return m_phase ? m_phase->answered() : 0;
}

QueryPhase::SendResult QueryRunner::send(const QByteArray& datagram) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_socket.write(datagram) == datagram.size()) {
            // The first try failed on a refusal the system held for an earlier datagram (the
            // server's port was closed). Reported from the event loop, so that the message never
            // runs inside the phase.
            if (attempt > 0) {
                noteRefusal();
                if (m_heard)
                    QMetaObject::invokeMethod(
                        this,
                        [this, reason = m_socket.errorString()] { reportSocketError(reason); },
                        Qt::QueuedConnection);
            }
            emit querySent();
            return QueryPhase::SendResult::Sent;
        }
    }
    return QueryPhase::SendResult::Failed;
}

void QueryRunner::readReplies() {
    // At least one read: a readyRead without a datagram is an error the system reports (a refused
    // port), and until something is read Qt announces no further datagram. Then all that is
    // pending, so that a flood of foreign datagrams does not fill the receive buffer and push out
    // answers; bounded, so that a flood cannot hold the event loop.
    // Read into the stack: no allocation and no datagram object per reply.
    char buffer[kMaxReplyBytes];
    for (int i = 0; i < kMaxReadsPerWakeUp; ++i) {
        const qint64 size = m_socket.readDatagram(buffer, kMaxReplyBytes);
        if (size < 0)
            return;
        m_heard = true;
        if (m_phase)
            m_phase->datagram(QByteArray::fromRawData(buffer, static_cast<qsizetype>(size)));
        // The last answer ends the run and closes the socket.
        if (!m_socket.isValid() || !m_socket.hasPendingDatagrams())
            return;
    }
    // Stopped at the bound: the rest is read once the events waiting meanwhile have run. Qt's
    // notifier announces it too; whichever comes second finds nothing or only newer datagrams.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_socket.isValid() && m_socket.hasPendingDatagrams())
                readReplies();
        },
        Qt::QueuedConnection);
}

void QueryRunner::reportSocketError(const QString& reason) {
    if (m_phase && m_phase->isRunning() && m_phase->socketError())
        emit socketError(reason);
}

QString sendFailureMessage(const QString& nameserver, const QString& reason) {
    return QStringLiteral("Error communicating with nameserver.\rCheck your settings under "
                          "options->DNS options\r%1: %2")
        .arg(nameserver, reason);
}

QString nothingAnswersMessage(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + address.toString() + u']'
                             : address.toString();
    return QStringLiteral("Nothing answers at %1:%2 (connection refused): is a DNS server running "
                          "there?")
        .arg(host)
        .arg(port);
}

QString socketErrorMessage(const QString& nameserver, const QString& reason) {
    return QStringLiteral("Network error talking to %1: %2").arg(nameserver, reason);
}

} // namespace nomispot
