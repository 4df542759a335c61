#include "engine/query_runner.h"

#include "engine/network.h"

#include <QNetworkDatagram>

#include <algorithm>

namespace nomispot {

QueryRunner::QueryRunner(QObject* parent) : QObject(parent), m_socket(this), m_timer(this) {
    m_socket.setObjectName(QStringLiteral("Winsock1"));
    m_timer.setObjectName(QStringLiteral("Delaytimer"));
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_phase)
            m_phase->tick();
    });
    connect(&m_socket, &QUdpSocket::readyRead, this, &QueryRunner::readReplies);
    connect(&m_socket, &QUdpSocket::errorOccurred, this, &QueryRunner::reportSocketError);
}

QueryRunner::~QueryRunner() { stop(); }

int QueryRunner::initNetwork(const QString& nameserver) { return InitNetwork(m_socket, nameserver); }

void QueryRunner::start(CheckTable& table, int delayMs, int retries, int progressMax) {
    QueryPhase::Hooks hooks;
    hooks.send = [this](const QByteArray& d) { return send(d); };
    hooks.cellChanged = [this](int c, int r) { emit cellChanged(c, r); };
    hooks.progress = [this](int answered) { emit progressChanged(answered); };
    hooks.finished = [this] {
        m_timer.stop();
        m_socket.close();
        emit finished();
    };
    hooks.sendFailed = [this] {
        stop();
        emit sendFailed();
    };
    m_phase.emplace(table, retries, progressMax, std::move(hooks));
    m_timer.setInterval(std::max(delayMs, 1));
    m_timer.start();
    m_phase->start();
}

void QueryRunner::stop() {
    if (m_phase)
        m_phase->cancel();
    m_socket.close();
    m_timer.stop();
}

bool QueryRunner::isRunning() const { return m_phase && m_phase->isRunning(); }

int QueryRunner::answered() const { return m_phase ? m_phase->answered() : 0; }

QueryPhase::SendResult QueryRunner::send(const QByteArray& datagram) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_socket.write(datagram) == datagram.size()) {
            emit querySent();
            return QueryPhase::SendResult::Sent;
        }
        // A refusal the system reports for an earlier datagram (the server's port was closed)
        // fails one send; the server may be back, so say so once and try again.
        if (m_socket.error() != QAbstractSocket::ConnectionRefusedError)
            break;
        reportSocketError();
    }
    return QueryPhase::SendResult::Failed;
}

void QueryRunner::readReplies() {
    // Bounded, so a flood cannot hold the event loop; the rest comes with the next readyRead.
    for (int i = 0; i < 256 && m_socket.hasPendingDatagrams(); ++i) {
        const QNetworkDatagram d = m_socket.receiveDatagram(512);
        if (!d.isValid())
            break;
        if (m_phase)
            m_phase->datagram(d.data());
    }
}

void QueryRunner::reportSocketError() {
    if (m_phase && m_phase->isRunning() && m_phase->socketError())
        emit socketError();
}

} // namespace nomispot
