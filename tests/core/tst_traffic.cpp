// Hostile traffic during real checks against NSD: forged replies from other senders, floods of
// short and random datagrams, every candidate's reply many times over. The verdicts stay the
// nameserver's and the event loop keeps running.

#include "catalogue/tld_catalogue.h"
#include "engine/check_table.h"
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "names/name_table.h"
#include "nsd_server.h"

#include <QEventLoop>
#include <QNetworkDatagram>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <atomic>
#include <functional>
#include <memory>
#include <random>

using namespace nomispot;

namespace {

const QString kNameserver = QStringLiteral("127.53.0.5");
// Candidates are numbered from 1; none of a run this small reaches this identifier.
constexpr std::uint16_t kNoCandidate = 0x8000;

using Payload = std::function<QByteArray(quint64 n, std::mt19937& random)>;

// A well-formed answer to query id of the check below ("taken free" under the default list), so
// that only where it comes from can keep it out.
QByteArray reply(std::uint16_t id, std::uint8_t flags) {
    const QStringList names{"taken", "free"};
    const QString name = id >= 1 && id <= 16
                             ? names[(id - 1) % 2] + u'.' + DefaultTlds::list()[(id - 1) / 2]
                             : QStringLiteral("other.example");
    QByteArray r = *BuildQuery(name, id);
    r[2] = char(0x81);
    r[3] = char(flags);
    return r;
}

// A UDP peer on a thread of its own, so that it keeps sending while the check's thread works.
// It sends payload(0), payload(1), ... in bursts; as a relay it also forwards every query to
// upstream port 53 and each answer back, with a burst before every answer.
class Peer {
public:
    struct Options {
        QHostAddress address; // its socket's address and port
        quint16 port = 0;
        Payload payload;
        int burst = 64;      // datagrams per turn of its event loop
        int intervalMs = 0;  // between turns
        QHostAddress target; // where it sends; as a relay, whoever queried it
        quint16 targetPort = 0;
        QHostAddress upstream;
        int beforeEachAnswer = 0;
    };

    explicit Peer(Options options) : m_options(std::move(options)) {}
    ~Peer() {
        if (!m_thread)
            return;
        m_stop = true;
        m_thread->wait();
    }

    bool start() {
        m_thread.reset(QThread::create([this] { run(); }));
        m_thread->start();
        m_ready.acquire();
        return m_bound;
    }
    quint64 sent() const { return m_sent; }
    quint64 relayed() const { return m_relayed; }

private:
    void run() {
        QUdpSocket socket;
        QUdpSocket upstream;
        m_bound = socket.bind(m_options.address, m_options.port);
        if (m_bound && !m_options.upstream.isNull())
            upstream.connectToHost(m_options.upstream, 53);
        m_ready.release();
        if (!m_bound)
            return;

        QHostAddress target = m_options.target;
        quint16 targetPort = m_options.targetPort;
        std::mt19937 random(1);
        quint64 n = 0;
        const auto send = [&](int count) {
            for (int i = 0; i < count && targetPort != 0; ++i)
                socket.writeDatagram(m_options.payload(n++, random), target, targetPort);
            m_sent = n;
        };
        QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&] {
            while (socket.hasPendingDatagrams()) {
                const QNetworkDatagram query = socket.receiveDatagram();
                target = query.senderAddress();
                targetPort = query.senderPort();
                upstream.write(query.data());
            }
        });
        QObject::connect(&upstream, &QUdpSocket::readyRead, &upstream, [&] {
            while (upstream.hasPendingDatagrams()) {
                const QByteArray answer = upstream.receiveDatagram().data();
                send(m_options.beforeEachAnswer);
                socket.writeDatagram(answer, target, targetPort);
                ++m_relayed;
            }
        });
        QEventLoop loop;
        QTimer turns;
        turns.setTimerType(Qt::PreciseTimer);
        turns.setInterval(m_options.intervalMs);
        QObject::connect(&turns, &QTimer::timeout, &loop, [&] {
            if (m_stop)
                loop.quit();
            else
                send(m_options.burst);
        });
        turns.start();
        loop.exec();
    }

    Options m_options;
    std::unique_ptr<QThread> m_thread;
    QSemaphore m_ready;
    std::atomic<bool> m_bound{false};
    std::atomic<bool> m_stop{false};
    std::atomic<quint64> m_sent{0};
    std::atomic<quint64> m_relayed{0};
};

struct Outcome {
    QStringList states; // "domain state" (the state's number), in identifier order
    int answered = 0;
};

// "taken free" under the eight default TLDs, prepared as the results window prepares a run.
class Check {
public:
    Check() { m_table = planRun({QStringLiteral("taken free")}, TldCatalogue{})->candidates; }

    bool connectTo(const QString& nameserver) { return m_runner.initNetwork(nameserver).ok(); }
    quint16 localPort() { return m_runner.socket().localPort(); }
    void start() { m_runner.start(m_table, 5, 2, m_table.candidateCount() + 1); }
    bool isRunning() const { return m_runner.isRunning(); }
    QueryRunner& runner() { return m_runner; }

    Outcome outcome() const {
        Outcome o;
        for (int c = 1; c <= m_table.colCount(); ++c)
            for (int r = 1; r <= m_table.nameCount(); ++r)
                o.states << m_table.at(c, r).domain + u' ' +
                                QString::number(int(m_table.at(c, r).state));
        o.answered = m_runner.answered();
        return o;
    }

private:
    CheckTable m_table;
    QueryRunner m_runner;
};

} // namespace

Q_DECLARE_METATYPE(Payload)

class TestTraffic : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void otherSenders_data();
    void otherSenders();
    void floodFromTheNameserver_data();
    void floodFromTheNameserver();

private:
    std::unique_ptr<test::NsdServer> m_nsd;
    Outcome m_expected;
};

void TestTraffic::initTestCase() {
    m_nsd = std::make_unique<test::NsdServer>(kNameserver, test::NsdServer::standardZones());
    NOMISPOT_REQUIRE_SERVER_RUNNING(*m_nsd);
    // The undisturbed run gives the verdicts every disturbed one must reach.
    Check check;
    QVERIFY(check.connectTo(kNameserver));
    check.start();
    QTRY_VERIFY_WITH_TIMEOUT(!check.isRunning(), 20000);
    m_expected = check.outcome();
    QVERIFY(m_expected.states.contains(
        QStringLiteral("taken.com %1").arg(int(CheckState::Unavailable))));
    QVERIFY(
        m_expected.states.contains(QStringLiteral("free.com %1").arg(int(CheckState::Available))));
    QVERIFY(
        m_expected.states.contains(QStringLiteral("free.net %1").arg(int(CheckState::Available))));
    QCOMPARE(m_expected.answered, 4);
}

void TestTraffic::otherSenders_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<Payload>("payload");

    const Payload everyIdNxdomain = [](quint64 n, std::mt19937&) {
        return reply(std::uint16_t(n % 65536), 0x83);
    };
    // Identifiers 1 to 16, each ten times in a row: taken names would turn free, free ones taken.
    const auto candidateTenTimes = [](std::uint8_t flags) -> Payload {
        return [flags](quint64 n, std::mt19937&) {
            return reply(std::uint16_t(n / 10 % 16 + 1), flags);
        };
    };
    const Payload shortOnes = [](quint64 n, std::mt19937& random) {
        QByteArray d(int(n % 4), Qt::Uninitialized);
        for (char& b : d)
            b = char(random());
        return d;
    };
    const Payload randomBytes = [](quint64, std::mt19937& random) {
        QByteArray d(int(4 + random() % 60), Qt::Uninitialized);
        for (char& b : d)
            b = char(random());
        return d;
    };

    const QString same = kNameserver, other = QStringLiteral("127.53.5.54");
    QTest::newRow("NXDOMAIN for every id, nameserver's address, other port")
        << same << 0 << everyIdNxdomain;
    QTest::newRow("NXDOMAIN for every id, other address, port 53")
        << other << 53 << everyIdNxdomain;
    QTest::newRow("NOERROR for each candidate ten times, other address")
        << other << 0 << candidateTenTimes(0x80);
    QTest::newRow("NXDOMAIN for each candidate ten times, nameserver's address")
        << same << 0 << candidateTenTimes(0x83);
    QTest::newRow("shorter than 4 bytes") << other << 0 << shortOnes;
    QTest::newRow("random bytes") << same << 0 << randomBytes;
}

// Only the nameserver's own datagrams reach the run, whatever others send to its port.
void TestTraffic::otherSenders() {
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(Payload, payload);

    Check check;
    QVERIFY(check.connectTo(kNameserver));
    Peer::Options options;
    options.address = QHostAddress(address);
    options.port = quint16(port);
    options.payload = payload;
    options.burst = 256;
    options.target = QHostAddress(QHostAddress::LocalHost);
    options.targetPort = check.localPort();
    Peer peer(options);
    QVERIFY2(peer.start(), qPrintable(address));
    // Already sending when the first query leaves, and all through the run.
    QTRY_VERIFY(peer.sent() > 0);
    check.start();
    QTRY_VERIFY_WITH_TIMEOUT(!check.isRunning(), 20000);
    QVERIFY(peer.sent() >= 16 * 10);

    const Outcome got = check.outcome();
    QCOMPARE(got.states, m_expected.states);
    QCOMPARE(got.answered, m_expected.answered);
}

void TestTraffic::floodFromTheNameserver_data() {
    QTest::addColumn<Payload>("payload");
    QTest::addColumn<int>("beforeEachAnswer");
    const Payload noCandidate = [](quint64 n, std::mt19937&) {
        return reply(std::uint16_t(kNoCandidate + n % 0x8000), n % 2 ? 0x83 : 0x80);
    };
    QTest::newRow("shorter than 4 bytes") << Payload([](quint64 n, std::mt19937& random) {
        QByteArray d(int(n % 4), Qt::Uninitialized);
        for (char& b : d)
            b = char(random());
        return d;
    }) << 50;
    QTest::newRow("random bytes") << Payload([](quint64, std::mt19937& random) {
        QByteArray d(int(4 + random() % 60), Qt::Uninitialized);
        for (char& b : d)
            b = char(random());
        // The nameserver is trusted: only an identifier no candidate has keeps the verdicts.
        d[0] = char(d[0] | 0x80);
        return d;
    }) << 50;
    QTest::newRow("replies for no candidate") << noCandidate << 50;
    // More at once than a socket's default receive buffer holds (about 256 short datagrams).
    QTest::newRow("replies for no candidate, 400 before each answer") << noCandidate << 400;
}

// The nameserver (a relay in front of NSD) floods the run's port all through it, and sends a
// burst right before every answer.
void TestTraffic::floodFromTheNameserver() {
    QFETCH(Payload, payload);
    QFETCH(int, beforeEachAnswer);

    Peer::Options options;
    options.address = QHostAddress(QStringLiteral("127.53.5.7"));
    options.port = 53;
    options.payload = payload;
    options.burst = 20;
    options.intervalMs = 1;
    options.upstream = QHostAddress(kNameserver);
    options.beforeEachAnswer = beforeEachAnswer;
    Peer relay(options);
    QVERIFY(relay.start());
    Check check;
    QVERIFY(check.connectTo(QStringLiteral("127.53.5.7")));
    check.start();
    QTRY_VERIFY(relay.sent() > 0);
    // The event loop still turns while the flood goes on.
    bool turned = false;
    QTimer::singleShot(0, &check.runner(), [&turned] { turned = true; });
    QTRY_VERIFY(turned);
    QTRY_VERIFY_WITH_TIMEOUT(!check.isRunning(), 20000);
    QVERIFY(relay.relayed() >= 16);

    const Outcome got = check.outcome();
    QCOMPARE(got.states, m_expected.states);
    QCOMPARE(got.answered, m_expected.answered);
}

QTEST_GUILESS_MAIN(TestTraffic)
#include "tst_traffic.moc"
