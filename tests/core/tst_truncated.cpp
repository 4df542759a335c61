// Truncated answers decide nothing over UDP; the question goes again over TCP, and that answer
// decides. The peer here misbehaves as servers that limit their rate do: every UDP answer
// truncated, whole answers over TCP only.
#include "test_support.h"

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

using namespace nomispot;

namespace {

const QString kServer = QStringLiteral("127.53.63.1");

// The question's name of a query, dotted.
QString questionOf(const QByteArray& query) {
    QStringList labels;
    for (qsizetype i = 12; i < query.size() && query[i] != 0; i += 1 + query[i])
        labels << QString::fromLatin1(query.mid(i + 1, query[i]));
    return labels.join(u'.');
}

class TruncatingServer : public QObject {
public:
    bool start() {
        if (!m_udp.bind(QHostAddress(kServer), 53) || !m_tcp.listen(QHostAddress(kServer), 53))
            return false;
        connect(&m_udp, &QUdpSocket::readyRead, this, [this] {
            while (m_udp.hasPendingDatagrams()) {
                const QNetworkDatagram query = m_udp.receiveDatagram();
                QByteArray answer = query.data();
                answer[2] = char(0x83); // QR, TC, RD
                answer[3] = char(0x80); // RA, NOERROR: whatever it says, it is incomplete
                m_udp.writeDatagram(answer, query.senderAddress(), quint16(query.senderPort()));
            }
        });
        connect(&m_tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* connection = m_tcp.nextPendingConnection()) {
                ++connections;
                connect(connection, &QTcpSocket::readyRead, this, [this, connection] {
                    m_buffer += connection->readAll();
                    while (m_buffer.size() >= 2) {
                        const int length = quint8(m_buffer[0]) << 8 | quint8(m_buffer[1]);
                        if (m_buffer.size() < 2 + length)
                            return;
                        QByteArray answer = m_buffer.mid(2, length);
                        m_buffer.remove(0, 2 + length);
                        const QString name = questionOf(answer);
                        askedOverTcp << name;
                        answer[2] = char(0x85); // QR, AA, RD
                        answer[3] = char(name.startsWith(u"free") ? 3 : 0);
                        connection->write(QByteArray(1, char(answer.size() >> 8)) +
                                          QByteArray(1, char(answer.size() & 0xFF)) + answer);
                    }
                });
            }
        });
        return true;
    }

    int connections = 0;
    QStringList askedOverTcp;

private:
    QUdpSocket m_udp;
    QTcpServer m_tcp;
    QByteArray m_buffer;
};

} // namespace

class TestTruncated : public QObject {
    Q_OBJECT
private slots:
    void askedAgainOverTcp();
};

void TestTruncated::askedAgainOverTcp() {
    TruncatingServer server;
    if (!server.start())
        QSKIP("cannot listen on port 53 of the test address (needs root)");
    const std::optional<CheckTable> checked =
        test::checkNames(kServer, QStringLiteral("taken free other"), {QStringLiteral("com")});
    QVERIFY(checked);
    const CheckTable& table = *checked;
    QCOMPARE(table.at(1, 1).state, CheckState::Unavailable);
    QCOMPARE(table.at(1, 2).state, CheckState::Available);
    QCOMPARE(table.at(1, 3).state, CheckState::Unavailable);
    // Every name over TCP, on one connection.
    QCOMPARE(server.connections, 1);
    server.askedOverTcp.removeDuplicates();
    QCOMPARE(server.askedOverTcp, (QStringList{"taken.com", "free.com", "other.com"}));
}

QTEST_GUILESS_MAIN(TestTruncated)
#include "tst_truncated.moc"
