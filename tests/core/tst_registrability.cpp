// The registration rules: the shipped table, what it says about names, and tables it refuses.
#include "names/idna.h"
#include "names/registrability.h"
#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace nomispot;

class TestRegistrability : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void verdicts_data();
    void verdicts();
    void badTables_data();
    void badTables();
    void unreadableTable();

private:
    RegistrationRules m_rules;
};

void TestRegistrability::initTestCase() {
    const LoadedRules loaded = loadRegistrationRules(test::binDir());
    QVERIFY2(loaded.warning.isEmpty(), qPrintable(loaded.warning));
    QCOMPARE(loaded.rules.reservationCount(), 3);
    m_rules = loaded.rules;
}

void TestRegistrability::verdicts_data() {
    QTest::addColumn<QString>("name"); // as typed; its DNS form is judged
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("ifFree");

    const QString own = QStringLiteral(
        "reserved by the registry for its own use (ICANN registry agreement, Specification 5)");
    const QString example =
        QStringLiteral("reserved by the registry (ICANN registry agreement, Specification 5)");
    const QString single =
        QStringLiteral("reserved by the registry (single-character names under .com and .net)");
    const QString first = QStringLiteral("a name cannot start with a hyphen");
    const QString thirdFourth =
        QStringLiteral("a name cannot have hyphens in the third and fourth places unless it is "
                       "a valid international (xn--) name");
    QTest::newRow("ordinary") << "sunny.app" << QString() << QString();
    QTest::newRow("example, new gTLD") << "example.app" << QString() << example;
    QTest::newRow("case does not matter") << "EXAMPLE.App." << QString() << example;
    QTest::newRow("nic") << "nic.xyz" << QString() << own;
    QTest::newRow("whois") << "whois.dev" << QString() << own;
    QTest::newRow("www") << "www.shop" << QString() << own;
    QTest::newRow("rdds") << "rdds.online" << QString() << own;
    QTest::newRow("nic under an older gTLD") << "nic.info" << QString() << QString();
    QTest::newRow("nic under a country") << "nic.de" << QString() << QString();
    QTest::newRow("nic under com") << "nic.com" << QString() << QString();
    QTest::newRow("third level") << "www.example.app" << QString() << QString();
    QTest::newRow("under a second-level suffix") << "example.co.uk" << QString() << QString();
    QTest::newRow("one character under com") << "a.com" << QString() << single;
    QTest::newRow("one digit under net") << "7.net" << QString() << single;
    QTest::newRow("one character under org") << "a.org" << QString() << QString();
    QTest::newRow("two characters under com") << "ab.com" << QString() << QString();
    QTest::newRow("hyphen first") << "-ab.com" << first << QString();
    QTest::newRow("hyphen last, third level")
        << "www.ab-.com" << QStringLiteral("a name cannot end with a hyphen") << QString();
    QTest::newRow("hyphens 3 and 4") << "ab--c.app" << thirdFourth << QString();
    QTest::newRow("not an xn-- label") << "xn--zz.com" << thirdFourth << QString();
    QTest::newRow("valid xn-- label") << "xn--caf-dma.com" << QString() << QString();
    // Judged by the label it encodes.
    QTest::newRow("xn-- form of a label starting with a hyphen")
        << QString::fromUtf8("-café.com") << first << QString();
    QTest::newRow("hyphens inside") << "a-b.com" << QString() << QString();
}

void TestRegistrability::verdicts() {
    QFETCH(QString, name);
    QFETCH(QString, before);
    QFETCH(QString, ifFree);

    const Result<QString> ascii = toAsciiName(name, HyphenLabels::Keep);
    QVERIFY(ascii);
    const std::optional<RuleVerdict> hyphen = m_rules.beforeAsking(*ascii);
    QCOMPARE(hyphen ? hyphen->reason : QString(), before);
    if (hyphen)
        QVERIFY(hyphen->source.contains(QStringLiteral("RFC")));
    const std::optional<RuleVerdict> reserved = m_rules.ifFree(*ascii);
    QCOMPARE(reserved ? reserved->reason : QString(), ifFree);
    if (reserved)
        QVERIFY(!reserved->source.isEmpty());
    // Without the table the hyphen rules still hold, and nothing is reserved.
    const RegistrationRules builtIn;
    QCOMPARE(builtIn.beforeAsking(*ascii).has_value(), !before.isEmpty());
    QVERIFY(!builtIn.ifFree(*ascii));
}

void TestRegistrability::badTables_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");

    const QByteArray ok = "# fine\nrule\tcom\tsecond-level=a\treason\tsource\n";
    QTest::newRow("unknown kind") << ok + "rules\tcom\tsecond-level=a\tr\ts\n"
                                  << "line 3: \"rules\" is neither";
    QTest::newRow("fields missing")
        << QByteArray("rule\tcom\tsecond-level=a\treason\n") << "line 1: a rule needs 5 fields";
    QTest::newRow("no source") << QByteArray("rule\tcom\tsecond-level=a\treason\t \n")
                               << "line 1: a rule needs its reason and its source";
    QTest::newRow("unknown labels")
        << QByteArray("rule\tcom\tthird-level=a\tr\ts\n") << "line 1: \"third-level=a\" is not";
    QTest::newRow("bad label") << QByteArray("rule\tcom\tsecond-level=a_b\tr\ts\n")
                               << "line 1: \"second-level=a_b\" is not a list of labels";
    QTest::newRow("length out of range") << QByteArray("rule\tcom\tsecond-level-length=0\tr\ts\n")
                                         << "line 1: \"second-level-length=0\" is not a length";
    QTest::newRow("class not defined") << QByteArray("rule\tnew-gtld\tsecond-level=a\tr\ts\n")
                                       << "line 1: no class of TLDs \"new-gtld\"";
    QTest::newRow("hyphen rule for some TLDs")
        << QByteArray("rule\tcom\thyphen-first\tr\ts\n") << "line 1: a hyphen rule holds";
    QTest::newRow("bad class") << QByteArray("tlds\tnew\tall but com\ts\n")
                               << "line 1: a class of TLDs is written";
}

void TestRegistrability::badTables() {
    QFETCH(QByteArray, text);
    QFETCH(QString, message);

    const Result<RegistrationRules> rules = RegistrationRules::parse(text);
    QVERIFY(!rules);
    QVERIFY2(rules.error().message.startsWith(message), qPrintable(rules.error().message));
}

// A missing or broken table: a message naming the file, and the hyphen rules alone.
void TestRegistrability::unreadableTable() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LoadedRules missing = loadRegistrationRules(dir.path());
    QVERIFY2(missing.warning.contains(dir.filePath(QStringLiteral("registration-rules.tsv"))),
             qPrintable(missing.warning));
    QVERIFY(missing.warning.contains(QStringLiteral("Only the rules on hyphens apply")));
    QVERIFY(missing.rules.beforeAsking(u"-a.com"));
    QVERIFY(!missing.rules.ifFree(u"example.app"));

    QFile file(dir.filePath(QStringLiteral("registration-rules.tsv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("rule\tcom\n");
    file.close();
    const LoadedRules broken = loadRegistrationRules(dir.path());
    QVERIFY2(broken.warning.contains(QStringLiteral("cannot be used: line 1")),
             qPrintable(broken.warning));
    QCOMPARE(broken.rules.reservationCount(), 0);
}

QTEST_GUILESS_MAIN(TestRegistrability)
#include "tst_registrability.moc"
