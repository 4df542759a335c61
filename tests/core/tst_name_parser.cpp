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
    void tooManyNamesWritesNothing();
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
    QTest::newRow("three combined") << "a b c" << comb
                                    << QStringList{"a", "ab", "ac", "ba", "b", "bc", "ca", "cb", "c"}
                                    << true;
    QTest::newRow("complete names") << "a.bc de" << comb << QStringList{"a.bc", "de"} << false;
    QTest::newRow("blanks collapse") << "  foo    bar  " << sep << QStringList{"foo", "bar"} << true;
    QTest::newRow("only separators") << ";;,," << sep << QStringList{} << true;
    QTest::newRow("full stop alone") << "." << sep << QStringList{"."} << false;
    QTest::newRow("case and duplicates kept") << "Foo foo Foo" << sep
                                              << QStringList{"Foo", "foo", "Foo"} << true;
    QTest::newRow("duplicates combined") << "foo foo" << comb
                                         << QStringList{"foo", "foofoo", "foofoo", "foo"} << true;
    QTest::newRow("one word combined") << "solo" << comb << QStringList{"solo"} << true;
    QTest::newRow("hyphens anywhere") << "-foo- a-b" << sep << QStringList{"-foo-", "a-b"} << true;
}

void TestNameParser::names() {
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QStringList, expected);
    QFETCH(bool, needSuffix);

    auto table = std::make_unique<NameTable>();
    const ParseOutcome out = parseNames(text, CheckMode(mode), *table);
    QCOMPARE(out.kind, ParseOutcome::Ok);
    QStringList got;
    for (int i = 0; i < table->NameCount; ++i)
        got << table->Names[std::size_t(i)];
    QCOMPARE(got, expected);
    QCOMPARE(table->NamesNeedSuffix, needSuffix);
}

void TestNameParser::refused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("position");

    QTest::newRow("tab") << "foo\tbar" << int(ParseOutcome::Illegal) << 3;
    QTest::newRow("underscore") << "foo_bar" << int(ParseOutcome::Illegal) << 3;
    QTest::newRow("accented") << QString::fromUtf8("caf\u00e9") << int(ParseOutcome::Illegal) << 3;
    QTest::newRow("after blanks at end") << "foo  \t" << int(ParseOutcome::Illegal) << 5;
    QTest::newRow("first of several") << "a/b_c" << int(ParseOutcome::Illegal) << 1;
    QTest::newRow("empty") << "" << int(ParseOutcome::Blank) << -1;
    QTest::newRow("blanks") << "    " << int(ParseOutcome::Blank) << -1;
}

void TestNameParser::refused() {
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(int, position);

    auto table = std::make_unique<NameTable>();
    table->Names[0] = QStringLiteral("earlier");
    table->NameCount = 1;
    table->NamesNeedSuffix = false;
    const ParseOutcome out = parseNames(text, CheckMode::Separately, *table);
    QCOMPARE(int(out.kind), kind);
    QCOMPARE(out.illegalPosition, position);
    // A refused text changes nothing but the count.
    QCOMPARE(table->NameCount, 0);
    QCOMPARE(table->Names[0], QStringLiteral("earlier"));
    QCOMPARE(table->NamesNeedSuffix, false);
    QCOMPARE(illegalCharactersMessage(),
             QStringLiteral("Illegal characters encountered\rOnly characters allowed are "
                            "letters, numbers and -"));
}

void TestNameParser::tooManyNamesWritesNothing() {
    QStringList words;
    for (int i = 0; i < 46; ++i)
        words << QStringLiteral("w%1").arg(i);
    auto table = std::make_unique<NameTable>();
    // 45 words combined fill 2025 slots; 46 would need 2116.
    QCOMPARE(parseNames(words.mid(0, 45).join(u' '), CheckMode::Combinations, *table).kind,
             ParseOutcome::Ok);
    QCOMPARE(table->NameCount, 2025);
    table->Names[2048] = QStringLiteral("untouched");
    const ParseOutcome out = parseNames(words.join(u' '), CheckMode::Combinations, *table);
    QCOMPARE(out.kind, ParseOutcome::TooManyNames);
    QCOMPARE(out.neededSlots, 46 * 46);
    QCOMPARE(table->NameCount, 0);
    QCOMPARE(table->Names[2048], QStringLiteral("untouched"));

    QStringList many;
    for (int i = 0; i < 2050; ++i)
        many << QStringLiteral("n%1").arg(i);
    QCOMPARE(parseNames(many.mid(0, 2049).join(u' '), CheckMode::Separately, *table).kind,
             ParseOutcome::Ok);
    QCOMPARE(table->NameCount, 2049);
    QCOMPARE(parseNames(many.join(u' '), CheckMode::Separately, *table).kind,
             ParseOutcome::TooManyNames);
}

QTEST_GUILESS_MAIN(TestNameParser)
#include "tst_name_parser.moc"
