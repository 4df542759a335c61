#include "names/idna.h"

#include <QTest>

using namespace nomispot;

class TestIdna : public QObject {
    Q_OBJECT
private slots:
    void toAscii_data();
    void toAscii();
    void refusalReasons_data();
    void refusalReasons();
    void labelRules_data();
    void labelRules();
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
    QTest::newRow("ideographic full stop") << QString::fromUtf8("例え。jp") << "xn--r8jz45g.jp";
    QTest::newRow("fullwidth full stop") << QString::fromUtf8("café．com") << "xn--caf-dma.com";
    QTest::newRow("halfwidth ideographic full stop")
        << QString::fromUtf8("taken｡com") << "taken.com";
    QTest::newRow("A-label typed stays as typed") << "XN--Caf-dma.com"
                                                  << "XN--Caf-dma.com";
    QTest::newRow("63 characters") << QString(63, u'a') << QString(63, u'a');
    QTest::newRow("empty labels left to the DNS checks") << "a..b."
                                                         << "a..b.";
    // UTS #46 removes what it maps to nothing (a soft hyphen, a zero-width space).
    QTest::newRow("soft hyphen removed") << QString::fromUtf8("ex\u00adample.com") << "example.com";
    QTest::newRow("zero-width space removed")
        << QString::fromUtf8("caf\u200b\u00e9") << "xn--caf-dma";
    // Once a name holds a right-to-left label, every label follows the bidi rule (RFC 5893).
    QTest::newRow("digit first beside a Hebrew label")
        << QString::fromUtf8("1abc.\u05d0\u05d1") << "";
    QTest::newRow("digit first without one") << "1abc.com"
                                             << "1abc.com";
    QTest::newRow("Hebrew beside plain Latin")
        << QString::fromUtf8("abc.\u05d0\u05d1") << "abc.xn--4dbc";
    QTest::newRow("digit first beside an A-label of Hebrew") << "1abc.xn--4dbc"
                                                             << "";
    QTest::newRow("hyphen inside") << "a-b--c"
                                   << "a-b--c";
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

// Each refusal names the label and the rule it breaks.
void TestIdna::refusalReasons_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");

    const auto refused = [](const QString& label, const QString& reason) {
        return QStringLiteral("\"%1\" cannot be part of a domain name: %2").arg(label, reason);
    };
    const QString longUnicode = QString(56, u'a') + QString::fromUtf8("é");
    QTest::newRow("lone zero-width joiner")
        << QString::fromUtf8("\u200d.com")
        << refused(QString::fromUtf8("\u200d"),
                   "a zero-width joiner or non-joiner is not allowed there");
    QTest::newRow("non-joiner between Latin letters")
        << QString::fromUtf8("a\u200cb")
        << refused(QString::fromUtf8("a\u200cb"),
                   "a zero-width joiner or non-joiner is not allowed there");
    QTest::newRow("lone combining mark")
        << QString::fromUtf8("\u0301")
        << refused(QString::fromUtf8("\u0301"), "it starts with a combining mark");
    QTest::newRow("Hebrew and Latin")
        << QString::fromUtf8("shalom\u05e9\u05dc\u05d5\u05dd")
        << refused(QString::fromUtf8("shalom\u05e9\u05dc\u05d5\u05dd"),
                   "it mixes right-to-left and left-to-right writing");
    QTest::newRow("64 characters once encoded")
        << longUnicode + ".com"
        << refused(longUnicode, "it is longer than 63 characters once encoded (64)");
    QTest::newRow("64-character A-label typed")
        << "xn--" + QString(56, u'a') + "-v6e"
        << refused("xn--" + QString(56, u'a') + "-v6e", "it is longer than 63 characters (64)");
    QTest::newRow("character that becomes a full stop")
        << QString::fromUtf8("a\u2488")
        << refused(QString::fromUtf8("a\u2488"), "it holds a character not allowed in domain "
                                                 "names");
    QTest::newRow("two kinds of Arabic-Indic digits")
        << QString::fromUtf8("\u0661\u06f1")
        << refused(QString::fromUtf8("\u0661\u06f1"), "it mixes Arabic-Indic digits of two kinds");
    QTest::newRow("middle dot outside l·l")
        << QString::fromUtf8("a\u00b7b")
        << refused(QString::fromUtf8("a\u00b7b"),
                   "a middle dot or similar punctuation is not allowed there");
    QTest::newRow("international label starting with a hyphen")
        << QString::fromUtf8("-café")
        << refused(QString::fromUtf8("-café"), "a name cannot start with a hyphen");
    QTest::newRow("ASCII label ending with a hyphen")
        << "ok.abc-.com" << refused("abc-", "a name cannot end with a hyphen");
    QTest::newRow("not an A-label")
        << "xn--zz.com" << refused("xn--zz", "it is not a valid international (xn--) label");
}

void TestIdna::refusalReasons() {
    QFETCH(QString, typed);
    QFETCH(QString, message);
    const Result<QString> converted = toAsciiName(typed);
    QVERIFY(!converted);
    QCOMPARE(converted.error().message, message);
}

void TestIdna::labelRules_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("problem"); // empty: a valid label

    QTest::newRow("letters, digits, hyphen") << "Ab-9"
                                             << "";
    QTest::newRow("one character") << "x"
                                   << "";
    QTest::newRow("63 characters") << QString(63, u'x') << "";
    QTest::newRow("A-label") << "xn--caf-dma"
                             << "";
    QTest::newRow("A-label in capitals") << "XN--CAF-DMA"
                                         << "";
    QTest::newRow("emoji A-label, allowed by UTS #46") << "xn--ls8h"
                                                       << "";
    QTest::newRow("international") << QString::fromUtf8("café") << "";
    QTest::newRow("starts with a hyphen") << "-abc"
                                          << "a name cannot start with a hyphen";
    QTest::newRow("only a hyphen") << "-"
                                   << "a name cannot start with a hyphen";
    QTest::newRow("ends with a hyphen") << "abc-"
                                        << "a name cannot end with a hyphen";
    QTest::newRow("hyphens third and fourth") << "ab--cd"
                                              << "a name cannot have hyphens in the third and "
                                                 "fourth places";
    QTest::newRow("international, hyphens third and fourth")
        << QString::fromUtf8("ca--fé")
        << "a name cannot have hyphens in the third and fourth places";
    QTest::newRow("64 characters") << QString(64, u'x') << "it is longer than 63 characters (64)";
    QTest::newRow("bad Punycode") << "xn--zz"
                                  << "it is not a valid international (xn--) label";
    QTest::newRow("A-label ending with a hyphen") << "xn--abc-"
                                                  << "a name cannot end with a hyphen";
    QTest::newRow("decodes to ASCII") << "xn--abc-9"
                                      << "it is not a valid international (xn--) label";
    QTest::newRow("nothing after the prefix") << "xn--x"
                                              << "it is not a valid international (xn--) label";
    QTest::newRow("A-label of mixed directions")
        << "xn--abc-spe"
        << "it mixes right-to-left and left-to-right writing";
    QTest::newRow("underscore") << "a_b"
                                << "it holds a character not allowed in domain names";
    QTest::newRow("empty") << ""
                           << "a name part cannot be empty";
}

void TestIdna::labelRules() {
    QFETCH(QString, label);
    QFETCH(QString, problem);
    QCOMPARE(labelProblem(label).value_or(QString()), problem);
}

QTEST_GUILESS_MAIN(TestIdna)
#include "tst_idna.moc"
