#include "engine/dns_message.h"

#include <QTest>

using namespace nomispot;

namespace {
QByteArray bytes(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list)
        b.append(static_cast<char>(v));
    return b;
}
} // namespace

class TestDnsMessage : public QObject {
    Q_OBJECT
private slots:
    void query();
    void identifiers_data();
    void identifiers();
    void encodeName_data();
    void encodeName();
    void reply_data();
    void reply();
};

void TestDnsMessage::query() {
    const QByteArray expected = bytes({
        0x00, 0x01,             // ID 1
        0x01, 0x00,             // RD; RCODE 0
        0x00, 0x01,             // QDCOUNT
        0x00, 0x00, 0x00, 0x00, // ANCOUNT, NSCOUNT
        0x00, 0x00,             // ARCOUNT
        0x01, 'a', 0x02, 'b', 'c', 0x00, // QNAME a.bc
        0x00, 0x02,             // QTYPE NS
        0x00, 0x01,             // QCLASS IN
    });
    QCOMPARE(BuildQuery(QStringLiteral("a.bc"), 1).value(), expected);
    // A label longer than one length byte can say is never sent.
    QVERIFY(!BuildQuery(QString(256, u'x') + QStringLiteral(".com"), 1));
}

void TestDnsMessage::identifiers_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("300") << 300 << bytes({0x01, 0x2C});
    QTest::newRow("2048") << 2048 << bytes({0x08, 0x00});
    QTest::newRow("255") << 255 << bytes({0x00, 0xFF});
    QTest::newRow("65535") << 65535 << bytes({0xFF, 0xFF});
}

void TestDnsMessage::identifiers() {
    QFETCH(int, id);
    QFETCH(QByteArray, head);
    QCOMPARE(BuildQuery(QStringLiteral("x"), std::uint16_t(id))->left(2), head);
}

void TestDnsMessage::encodeName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("three labels") << "a.b.c" << bytes({1, 'a', 1, 'b', 1, 'c', 0});
    QTest::newRow("case kept") << "Foo" << bytes({3, 'F', 'o', 'o', 0});
    QTest::newRow("trailing dot") << "a.bc." << bytes({1, 'a', 2, 'b', 'c', 0, 0});
    QTest::newRow("empty label") << "a..bc" << bytes({1, 'a', 0, 2, 'b', 'c', 0});
    QTest::newRow("empty name") << "" << bytes({0, 0});
    QTest::newRow("leading dot") << ".com" << bytes({0, 3, 'c', 'o', 'm', 0});
    QByteArray long255(1, char(255));
    long255 += QByteArray(255, 'x') + '\0';
    QTest::newRow("label of 255") << QString(255, u'x') << long255;
}

void TestDnsMessage::encodeName() {
    QFETCH(QString, name);
    QFETCH(QByteArray, encoded);
    QCOMPARE(EncodeName(name).value(), encoded);
}

void TestDnsMessage::reply_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("unavailable");
    QTest::addColumn<bool>("declined");

    QTest::newRow("nxdomain ra") << bytes({0, 7, 0x81, 0x83}) << 7 << false << false;
    QTest::newRow("nxdomain bare") << bytes({0, 7, 0x00, 0x03}) << 7 << false << false;
    QTest::newRow("noerror") << bytes({0, 7, 0x81, 0x80}) << 7 << true << false;
    QTest::newRow("servfail") << bytes({0, 7, 0x81, 0x82}) << 7 << true << false;
    QTest::newRow("formerr") << bytes({0, 7, 0x81, 0x81}) << 7 << true << false;
    QTest::newRow("nxdomain with z bit") << bytes({0, 7, 0x81, 0x93}) << 7 << true << false;
    QTest::newRow("refused") << bytes({0, 7, 0x81, 0x85}) << 7 << true << true;
    QTest::newRow("notimp") << bytes({0, 7, 0x81, 0x84}) << 7 << true << true;
    QTest::newRow("id 300") << bytes({0x01, 0x2C, 0x81, 0x83}) << 300 << false << false;
    QTest::newRow("id 32768") << bytes({0x80, 0x00, 0x81, 0x83}) << 32768 << false << false;
    QTest::newRow("qr clear, long")
        << bytes({0, 9, 0x01, 0x83, 0, 1, 0, 0, 0, 0, 0, 0, 1, 'a', 0}) << 9 << false << false;
}

void TestDnsMessage::reply() {
    QFETCH(QByteArray, datagram);
    QFETCH(int, id);
    QFETCH(bool, unavailable);
    QFETCH(bool, declined);
    const auto v = ParseReply(datagram);
    QVERIFY(v);
    QCOMPARE(int(v->id), id);
    QCOMPARE(v->unavailable, unavailable);
    QCOMPARE(v->declined, declined);
    // Fewer than 4 bytes carry no verdict.
    QVERIFY(!ParseReply(datagram.left(3)));
    QVERIFY(!ParseReply(QByteArray()));
}

QTEST_GUILESS_MAIN(TestDnsMessage)
#include "tst_dns_message.moc"
