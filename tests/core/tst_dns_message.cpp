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
        0x00, 0x01,                        // ID 1
        0x01, 0x00,                        // RD; RCODE 0
        0x00, 0x01,                        // QDCOUNT
        0x00, 0x00, 0x00, 0x00,            // ANCOUNT, NSCOUNT
        0x00, 0x00,                        // ARCOUNT
        0x01, 'a',  0x02, 'b',  'c', 0x00, // QNAME a.bc
        0x00, 0x02,                        // QTYPE NS
        0x00, 0x01,                        // QCLASS IN
    });
    QCOMPARE(BuildQuery(QStringLiteral("a.bc"), 1).value(), expected);
    // A name that is not a valid domain name is never sent.
    QVERIFY(!BuildQuery(QString(64, u'x') + QStringLiteral(".com"), 1));
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
    QTest::addColumn<QByteArray>("encoded"); // empty: not a valid domain name

    const QString label63(63, u'x');
    QByteArray wire63 = char(63) + QByteArray(63, 'x');
    // 253 octets: three labels of 63 and one of 61, with their dots.
    const QString longest = QStringList(3, label63).join(u'.') + u'.' + QString(61, u'y');
    QTest::newRow("three labels") << "a.b.c" << bytes({1, 'a', 1, 'b', 1, 'c', 0});
    QTest::newRow("case kept") << "Foo" << bytes({3, 'F', 'o', 'o', 0});
    QTest::newRow("root dot") << "a.bc." << bytes({1, 'a', 2, 'b', 'c', 0});
    QTest::newRow("label of 63") << label63 + ".c" << wire63 + bytes({1, 'c', 0});
    QTest::newRow("name of 253") << longest
                                 << wire63.repeated(3) + char(61) + QByteArray(61, 'y') + '\0';
    QTest::newRow("label of 64") << QString(64, u'x') + ".c" << QByteArray();
    QTest::newRow("name of 254") << longest + "z" << QByteArray();
    QTest::newRow("label of 255") << QString(255, u'x') << QByteArray();
    QTest::newRow("empty label") << "a..bc" << QByteArray();
    QTest::newRow("leading dot") << ".com" << QByteArray();
    QTest::newRow("empty name") << "" << QByteArray();
    QTest::newRow("root alone") << "." << QByteArray();
    QTest::newRow("not ascii") << QString::fromUtf8("caf\u00e9.com") << QByteArray();
}

void TestDnsMessage::encodeName() {
    QFETCH(QString, name);
    QFETCH(QByteArray, encoded);
    QCOMPARE(isValidDomainName(name), !encoded.isEmpty());
    QCOMPARE(EncodeName(name).value_or(QByteArray()), encoded);
}

void TestDnsMessage::reply_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("id"); // -1: no reply to read
    QTest::addColumn<int>("rcode");
    QTest::addColumn<QString>("about"); // the name the reply echoes; empty: it echoes none
    QTest::addColumn<bool>("alias");

    const QByteArray header = bytes({0, 7, 0x81, 0x83, 0, 1, 0, 0, 0, 0, 0, 0});
    const QByteArray question = bytes({3, 'f', 'o', 'o', 3, 'C', 'o', 'M', 0, 0, 2, 0, 1});
    // An answer record: the question's name by pointer, CNAME, IN, a TTL, target "x.net".
    const QByteArray cname =
        bytes({0xC0, 12, 0, 5, 0, 1, 0, 0, 0, 60, 0, 7, 1, 'x', 3, 'n', 'e', 't', 0});
    QByteArray withAnswer = header + question + cname;
    withAnswer[7] = 1; // ANCOUNT
    QTest::newRow("nxdomain, 4 bytes") << bytes({0, 7, 0x81, 0x83}) << 7 << 3 << "" << false;
    QTest::newRow("noerror, aa") << bytes({0, 7, 0x85, 0x80}) << 7 << 0 << "" << false;
    QTest::newRow("rcode is 4 bits") << bytes({0, 7, 0x81, 0x93}) << 7 << 3 << "" << false;
    QTest::newRow("refused") << bytes({0, 7, 0x81, 0x85}) << 7 << 5 << "" << false;
    QTest::newRow("id 300") << bytes({0x01, 0x2C, 0x81, 0x83}) << 300 << 3 << "" << false;
    QTest::newRow("id 32768") << bytes({0x80, 0x00, 0x81, 0x83}) << 32768 << 3 << "" << false;
    QTest::newRow("question, case ignored") << header + question << 7 << 3 << "FOO.com" << false;
    QTest::newRow("question, root dot") << header + question << 7 << 3 << "foo.com." << false;
    QTest::newRow("no question") << bytes({0, 7, 0x81, 0x83, 0, 0, 0, 0, 0, 0, 0, 0}) << 7 << 3
                                 << "" << false;
    QByteArray otherType = header + question;
    otherType[otherType.size() - 3] = 1; // type A
    QTest::newRow("another type") << otherType << 7 << 3 << "" << false;
    QByteArray otherClass = header + question;
    otherClass[otherClass.size() - 1] = 3; // class CH
    QTest::newRow("another class") << otherClass << 7 << 3 << "" << false;
    QByteArray twoQuestions = header + question + question;
    twoQuestions[5] = 2;
    QTest::newRow("two questions") << twoQuestions << 7 << 3 << "" << false;
    QTest::newRow("alias of the name asked") << withAnswer << 7 << 3 << "foo.com" << true;
    QByteArray otherOwner = withAnswer;
    otherOwner[header.size() + question.size() + 1] = 16; // points at "com"
    QTest::newRow("alias of another name") << otherOwner << 7 << 3 << "foo.com" << false;
    QTest::newRow("answer cut short") << withAnswer.chopped(4) << 7 << 3 << "foo.com" << false;
    QTest::newRow("qr clear") << bytes({0, 9, 0x01, 0x83, 0, 1, 0, 0, 0, 0, 0, 0, 1, 'a', 0}) << -1
                              << 0 << "" << false;
    QTest::newRow("3 bytes") << bytes({0, 7, 0x81}) << -1 << 0 << "" << false;
    QTest::newRow("question cut short") << header + question.left(5) << -1 << 0 << "" << false;
    QTest::newRow("question without its type")
        << header + question.left(9) << -1 << 0 << "" << false;
    QTest::newRow("question missing") << header << -1 << 0 << "" << false;
    QTest::newRow("question by pointer")
        << header + bytes({0xC0, 12, 0, 2, 0, 1}) << -1 << 0 << "" << false;
}

void TestDnsMessage::reply() {
    QFETCH(QByteArray, datagram);
    QFETCH(int, id);
    QFETCH(int, rcode);
    QFETCH(QString, about);
    QFETCH(bool, alias);
    const auto r = ParseReply(datagram);
    QCOMPARE(r.has_value(), id >= 0);
    if (!r)
        return;
    QCOMPARE(int(r->id), id);
    QCOMPARE(int(r->rcode), rcode);
    QCOMPARE(r->alias, alias);
    QCOMPARE(r->isAbout(QStringLiteral("foo.com")), !about.isEmpty());
    if (!about.isEmpty())
        QVERIFY(r->isAbout(about));
    // Another name, a name that only starts or ends the same, a shorter one.
    for (const char* other : {"foo.org", "foo.com.au", "oo.com", "foo", "xfoo.com", "foo.co"})
        QVERIFY2(!r->isAbout(QString::fromLatin1(other)), other);
}

QTEST_GUILESS_MAIN(TestDnsMessage)
#include "tst_dns_message.moc"
