#include "names/name_parser.h"

#include <QTest>

using namespace nomispot;

class TestNameParser : public QObject {
    Q_OBJECT
private slots:
    void names_data();
    void names();
    void refused_data();
    void refused();
    void tooManyNames();
};

void TestNameParser::names_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("needSuffix");

    const int sep = int(CheckMode::Separately);
    const int comb = int(CheckMode::Combinations);
    QTest::newRow("two words") << "foo bar" << sep << QStringList{"foo", "bar"} << true;
    QTest::newRow("two words combined")
        << "foo bar" << comb << QStringList{"foo", "foobar", "barfoo", "bar"} << true;
    QTest::newRow("separators") << "foo;bar,,baz" << sep << QStringList{"foo", "bar", "baz"}
                                << true;
    QTest::newRow("three combined")
        << "a b c" << comb << QStringList{"a", "ab", "ac", "ba", "b", "bc", "ca", "cb", "c"}
        << true;
    QTest::newRow("complete names") << "a.bc de" << comb << QStringList{"a.bc", "de"} << false;
    QTest::newRow("blanks collapse")
        << "  foo    bar  " << sep << QStringList{"foo", "bar"} << true;
    QTest::newRow("only separators") << ";;,," << sep << QStringList{} << true;
    QTest::newRow("full stop alone") << "." << sep << QStringList{"."} << false;
    QTest::newRow("case and duplicates kept")
        << "Foo foo Foo" << sep << QStringList{"Foo", "foo", "Foo"} << true;
    QTest::newRow("duplicates combined")
        << "foo foo" << comb << QStringList{"foo", "foofoo", "foofoo", "foo"} << true;
    QTest::newRow("one word combined") << "solo" << comb << QStringList{"solo"} << true;
    QTest::newRow("hyphens inside") << "a-b c--d" << sep << QStringList{"a-b", "c--d"} << true;
    // Labels that break only a hyphen rule stay: their candidates end not registrable.
    QTest::newRow("hyphen first or last")
        << "ok -abc abc-" << sep << QStringList{"ok", "-abc", "abc-"} << true;
    QTest::newRow("hyphen rules in complete names")
        << QString::fromUtf8("abc-.com xn--zz.net ok。-jp ab--c.org") << sep
        << QStringList{"abc-.com", "xn--zz.net", "ok.-jp", "ab--c.org"} << false;
    QTest::newRow("hyphen first, other script")
        << QString::fromUtf8("-café") << sep << QStringList{QString::fromUtf8("-café")} << true;
    QTest::newRow("full stops of other scripts")
        << QString::fromUtf8("例え。jp café．com taken｡net") << comb
        << QStringList{QString::fromUtf8("例え.jp"), QString::fromUtf8("café.com"), "taken.net"}
        << false;
    // What UTS #46 maps to nothing passes here and is removed when the name is converted.
    QTest::newRow("soft hyphen and zero-width space")
        << QString::fromUtf8("ex\u00adample caf\u200b\u00e9") << sep
        << QStringList{QString::fromUtf8("ex\u00adample"), QString::fromUtf8("caf\u200b\u00e9")}
        << true;
    QTest::newRow("other scripts")
        << QString::fromUtf8("café münchen") << comb
        << QStringList{QString::fromUtf8("café"), QString::fromUtf8("cafémünchen"),
                       QString::fromUtf8("münchencafé"), QString::fromUtf8("münchen")}
        << true;
}

void TestNameParser::names() {
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QStringList, expected);
    QFETCH(bool, needSuffix);

    const Result<NameTable, NameRefusal> table = parseNames(text, CheckMode(mode));
    QVERIFY(table);
    QCOMPARE(table->Names, expected);
    QCOMPARE(table->NamesNeedSuffix, needSuffix);
}

void TestNameParser::refused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("detail");

    QTest::newRow("tab") << "foo\tbar" << int(NameRefusal::Illegal) << 3 << "";
    QTest::newRow("underscore") << "foo_bar" << int(NameRefusal::Illegal) << 3 << "";
    QTest::newRow("symbol") << QString::fromUtf8("caf\u2603") << int(NameRefusal::Illegal) << 3
                            << "";
    // Letters of other scripts pass; a name they cannot make a label of is refused as a whole.
    QTest::newRow("joiner between Latin letters")
        << QString::fromUtf8("ok a\u200db") << int(NameRefusal::Illegal) << -1
        << QString::fromUtf8("\"a\u200db\" cannot be part of a domain name: a zero-width joiner or "
                             "non-joiner is not allowed there");
    // ASCII labels follow the label rules too, and are refused before anything is sent; those
    // that break only a hyphen rule are names no registry takes (see names()).
    QTest::newRow("hyphen first and too long")
        << u'-' + QString(64, u'x') << int(NameRefusal::Illegal) << -1
        << "\"-" + QString(64, u'x') +
               "\" cannot be part of a domain name: it is longer than 63 characters (65)";
    QTest::newRow("64 characters")
        << QString(64, u'x') << int(NameRefusal::Illegal) << -1
        << "\"" + QString(64, u'x') +
               "\" cannot be part of a domain name: it is longer than 63 characters (64)";
    QTest::newRow("after blanks at end") << "foo  \t" << int(NameRefusal::Illegal) << 5 << "";
    QTest::newRow("first of several") << "a/b_c" << int(NameRefusal::Illegal) << 1 << "";
    QTest::newRow("empty") << "" << int(NameRefusal::Blank) << -1 << "";
    QTest::newRow("blanks") << "    " << int(NameRefusal::Blank) << -1 << "";
}

void TestNameParser::refused() {
    QFETCH(QString, text);
    QFETCH(int, reason);
    QFETCH(int, position);
    QFETCH(QString, detail);

    const Result<NameTable, NameRefusal> out = parseNames(text, CheckMode::Separately);
    QVERIFY(!out);
    QCOMPARE(int(out.error().reason), reason);
    QCOMPARE(out.error().illegalPosition, position);
    if (!detail.isEmpty())
        QCOMPARE(out.error().detail, detail);
    QCOMPARE(illegalCharactersMessage(),
             QStringLiteral("Illegal characters encountered\rOnly characters allowed are "
                            "letters, numbers and -"));
}

void TestNameParser::tooManyNames() {
    QStringList words;
    for (int i = 0; i < 46; ++i)
        words << QStringLiteral("w%1").arg(i);
    // 45 words combined fill 2025 slots; 46 would need 2116.
    const auto fits = parseNames(words.mid(0, 45).join(u' '), CheckMode::Combinations);
    QVERIFY(fits);
    QCOMPARE(fits->NameCount(), 2025);
    const auto refused = parseNames(words.join(u' '), CheckMode::Combinations);
    QVERIFY(!refused);
    QCOMPARE(refused.error().reason, NameRefusal::TooManyNames);
    QCOMPARE(refused.error().neededSlots, 46 * 46);
    QVERIFY(refused.error().namesNeedSuffix);

    QStringList many;
    for (int i = 0; i < 2050; ++i)
        many << QStringLiteral("n%1.com").arg(i);
    const auto complete = parseNames(many.mid(0, 2049).join(u' '), CheckMode::Combinations);
    QVERIFY(complete);
    QCOMPARE(complete->NameCount(), 2049);
    const auto tooMany = parseNames(many.join(u' '), CheckMode::Separately);
    QVERIFY(!tooMany);
    QCOMPARE(tooMany.error().reason, NameRefusal::TooManyNames);
    // The refusal says the names are complete domains, so no column is counted per suffix.
    QVERIFY(!tooMany.error().namesNeedSuffix);
}

QTEST_GUILESS_MAIN(TestNameParser)
#include "tst_name_parser.moc"
