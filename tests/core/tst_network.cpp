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
    QByteArray forged = *BuildQuery(QStringLiteral("taken.com"), 2);
    forged[2] = char(0x84);
    forged[3] = char(0x83);
    stranger.writeDatagram(forged, QHostAddress::LocalHost, socket.localPort());

    struct Case {
        const char* name;
        std::uint16_t id;
        int rcode;
    };
    const Case cases[] = {{"free.com", 1, 3},    {"taken.com", 2, 0},  {"TAKEN2.com", 3, 0},
                          {"taken.co.uk", 4, 0}, {"free.co.uk", 5, 3}, {"name.example", 6, 5}};
    for (const Case& c : cases)
        QVERIFY(socket.write(*BuildQuery(QString::fromLatin1(c.name), c.id)) > 0);

    QMap<int, Reply> verdicts;
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
        QCOMPARE(int(verdicts[c.id].rcode), c.rcode);
        QVERIFY(verdicts[c.id].isAbout(QString::fromLatin1(c.name)));
    }
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
