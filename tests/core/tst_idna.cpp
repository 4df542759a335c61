#include "names/idna.h"

#include <QTest>

using namespace nomispot;

class TestIdna : public QObject {
    Q_OBJECT
private slots:
    void toAscii_data();
    void toAscii();
};

void TestIdna::toAscii_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("ascii"); // empty: refused

    QTest::newRow("accent") << QString::fromUtf8("café") << "xn--caf-dma";
    QTest::newRow("umlaut") << QString::fromUtf8("münchen") << "xn--mnchen-3ya";
    QTest::newRow("sharp s, not ss") << QString::fromUtf8("faß") << "xn--fa-hia";
    QTest::newRow("Japanese") << QString::fromUtf8("例え") << "xn--r8jz45g";
    QTest::newRow("capital mapped") << QString::fromUtf8("Café") << "xn--caf-dma";
    QTest::newRow("labels one by one")
        << QString::fromUtf8("café.Example.com") << "xn--caf-dma.Example.com";
    QTest::newRow("ASCII stays as typed") << "Taken2.COM"
                                          << "Taken2.COM";
    QTest::newRow("joiner between Latin letters") << QString::fromUtf8("a\u200db") << "";
    QTest::newRow("mixed directions") << QString::fromUtf8("abc\u05d0") << "";
}

void TestIdna::toAscii() {
    QFETCH(QString, typed);
    QFETCH(QString, ascii);
    const Result<QString> converted = toAsciiName(typed);
    QCOMPARE(converted.ok(), !ascii.isEmpty());
    if (converted)
        QCOMPARE(*converted, ascii);
    else
        QVERIFY(converted.error().message.contains(u'"'));
}

QTEST_GUILESS_MAIN(TestIdna)
#include "tst_idna.moc"
