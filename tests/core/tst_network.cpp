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
    void nameserverText_data();
    void nameserverText();
    void unusableNameserver_data();
    void unusableNameserver();
    void realNameserver();
};

void TestNetwork::nameserverText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");    // empty: refused
    QTest::addColumn<QString>("address"); // empty: a host name to look up
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("why");

    QTest::newRow("IPv4") << " 192.0.2.1 "
                          << "192.0.2.1"
                          << "192.0.2.1" << 53 << "";
    QTest::newRow("IPv4 and port") << "192.0.2.1:5353"
                                   << "192.0.2.1"
                                   << "192.0.2.1" << 5353 << "";
    QTest::newRow("IPv6") << "2001:db8::1"
                          << "2001:db8::1"
                          << "2001:db8::1" << 53 << "";
    QTest::newRow("IPv6 in brackets, port") << "[2001:db8::1]:5300"
                                            << "2001:db8::1"
                                            << "2001:db8::1" << 5300 << "";
    QTest::newRow("IPv6 loopback in brackets") << "[::1]"
                                               << "::1"
                                               << "::1" << 53 << "";
    QTest::newRow("v4-mapped is IPv4") << "::ffff:192.0.2.1"
                                       << "::ffff:192.0.2.1"
                                       << "192.0.2.1" << 53 << "";
    QTest::newRow("host name") << "ns1.example.net"
                               << "ns1.example.net"
                               << "" << 53 << "";
    QTest::newRow("host name and port") << "localhost:5353"
                                        << "localhost"
                                        << "" << 5353 << "";

    const QString port = QStringLiteral("the port must be a number from 1 to 65535");
    const QString unusable = QStringLiteral("not an address or a host name");
    QTest::newRow("empty") << ""
                           << ""
                           << "" << 0 << "no nameserver is set";
    QTest::newRow("blank") << "   "
                           << ""
                           << "" << 0 << "no nameserver is set";
    QTest::newRow("a list") << "192.0.2.1, 192.0.2.2"
                            << ""
                            << "" << 0 << "give one nameserver: an address or a host name";
    QTest::newRow("port 0") << "192.0.2.1:0"
                            << ""
                            << "" << 0 << port;
    QTest::newRow("port too large") << "host:65536"
                                    << ""
                                    << "" << 0 << port;
    QTest::newRow("port missing") << "host:"
                                  << ""
                                  << "" << 0 << port;
    QTest::newRow("bracket not closed") << "[2001:db8::1"
                                        << ""
                                        << "" << 0 << unusable;
    QTest::newRow("IPv4 in brackets") << "[192.0.2.1]:53"
                                      << ""
                                      << "" << 0 << unusable;
    QTest::newRow("underscore") << "ns_1.example"
                                << ""
                                << "" << 0 << unusable;
}

void TestNetwork::nameserverText() {
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(QString, why);

    const Result<NameserverAddress> parsed = parseNameserver(text);
    QCOMPARE(parsed.ok(), !host.isEmpty());
    if (!parsed) {
        QCOMPARE(parsed.error().message, why);
        return;
    }
    QCOMPARE(parsed->host, host);
    QCOMPARE(int(parsed->port), port);
    QCOMPARE(parsed->address.has_value(), !address.isEmpty());
    if (parsed->address)
        QCOMPARE(*parsed->address, QHostAddress(address));
}

void TestNetwork::unusableNameserver_data() {
    QTest::addColumn<QString>("nameserver");
    QTest::addColumn<QString>("why");
    QTest::newRow("empty") << ""
                           << "no nameserver is set";
    QTest::newRow("garbage") << "not a host!"
                             << "give one nameserver: an address or a host name";
    QTest::newRow("name without address") << "ns1.yourprovider.example"
                                          << "";
}

// Refused with the message that names the nameserver and why.
void TestNetwork::unusableNameserver() {
    QFETCH(QString, nameserver);
    QFETCH(QString, why);
    QUdpSocket socket;
    const Status status = InitNetwork(socket, nameserver);
    QVERIFY(!status);
    const QString prefix = networkFailureMessage(nameserver, QString());
    QVERIFY2(status.error().message.startsWith(prefix), qPrintable(status.error().message));
    QVERIFY(status.error().message.size() > prefix.size());
    if (!why.isEmpty())
        QCOMPARE(status.error().message, networkFailureMessage(nameserver, why));
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
    // More room for answers under a flood than a socket gets by default.
    QUdpSocket plain;
    QVERIFY(plain.bind(QHostAddress(QHostAddress::LocalHost), 0));
    QVERIFY(socket.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt() >
            plain.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt());
    // A port of its own; a host name is looked up.
    QUdpSocket other;
    QVERIFY(InitNetwork(other, QStringLiteral("localhost:5353")));
    QCOMPARE(other.peerPort(), quint16(5353));
    QCOMPARE(other.peerAddress(), QHostAddress(QHostAddress::LocalHost));

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
