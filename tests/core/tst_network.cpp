#include "engine/dns_message.h"
#include "engine/network.h"
#include "nsd_server.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

using namespace nomispot;

class TestNetwork : public QObject {
    Q_OBJECT
private slots:
    void unresolvableNameserver_data();
    void unresolvableNameserver();
    void realNameserver();
};

void TestNetwork::unresolvableNameserver_data() {
    QTest::addColumn<QString>("nameserver");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "   ";
    QTest::newRow("reserved name") << "ns1.yourprovider.example";
    QTest::newRow("garbage") << "not a host!";
}

void TestNetwork::unresolvableNameserver() {
    QFETCH(QString, nameserver);
    QUdpSocket socket;
    const Status status = InitNetwork(socket, nameserver);
    QVERIFY(!status);
    QCOMPARE(status.error().message, networkFailureMessage());
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
}

void TestNetwork::realNameserver() {
    NOMISPOT_START_NSD(nsd, QStringLiteral("127.53.0.2"), test::NsdServer::standardZones());

    QUdpSocket socket;
    QVERIFY(InitNetwork(socket, QStringLiteral("127.53.0.2")));
    // A second set-up on the same socket starts afresh.
    QVERIFY(InitNetwork(socket, QStringLiteral("127.53.0.2")));
    QVERIFY(socket.localPort() != 0);
    QCOMPARE(socket.peerPort(), kDnsPort);

    // A stranger on another port sends a forged name error to our port first.
    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QByteArray forged = QByteArray::fromHex("000184830001000000000000");
    stranger.writeDatagram(forged, QHostAddress::LocalHost, socket.localPort());

    struct Case {
        const char* name;
        std::uint16_t id;
        bool unavailable;
        bool declined;
    };
    const Case cases[] = {{"free.com", 1, false, false},   {"taken.com", 2, true, false},
                          {"TAKEN2.com", 3, true, false},  {"taken.co.uk", 4, true, false},
                          {"free.co.uk", 5, false, false}, {"name.example", 6, true, true}};
    for (const Case& c : cases)
        QVERIFY(socket.write(*BuildQuery(QString::fromLatin1(c.name), c.id)) > 0);

    QMap<int, ReplyVerdict> verdicts;
    QList<int> senderPorts;
    const auto drain = [&] {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram();
            senderPorts << d.senderPort();
            if (const auto v = ParseReply(d.data()))
                verdicts.insert(v->id, *v);
        }
        return verdicts.size() == int(std::size(cases));
    };
    QTRY_VERIFY_WITH_TIMEOUT(drain(), 5000);
    QCOMPARE(senderPorts, QList<int>(int(std::size(cases)), int(kDnsPort)));
    for (const Case& c : cases) {
        QVERIFY2(verdicts.contains(c.id), c.name);
        QCOMPARE(verdicts[c.id].unavailable, c.unavailable);
        QCOMPARE(verdicts[c.id].declined, c.declined);
    }
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
