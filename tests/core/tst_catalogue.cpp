#include "catalogue/catalogue_file.h"
#include "catalogue/tld_catalogue.h"
#include "engine/run_plan.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace nomispot;

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void decodeLine_data();
    void decodeLine();
    void load_data();
    void load();
    void missingFile();
    void tooManyLines();
    void selection();
    void findTldIndex_data();
    void findTldIndex();
    void builtDataFile();
    void builtDataFileAgainstSuffixList();

private:
    QTemporaryDir m_dir;
};

void TestCatalogue::decodeLine_data() {
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("stored");
    QTest::newRow("example") << "abc;ABC"
                             << "zyx?ZYX";
    QTest::newRow("punctuation") << "./()- @|{}?;"
                                 << "{}-@(|) ./;?";
    QTest::newRow("digits and colon") << "co:org 42"
                                      << "xl:lit|42";
    QTest::newRow("address") << "https://nic.uk"
                             << "sggkh:}}mrx{fp";
}

void TestCatalogue::decodeLine() {
    QFETCH(QString, plain);
    QFETCH(QString, stored);
    QCOMPARE(DecodeLine(plain), stored);
    QCOMPARE(DecodeLine(stored), plain);
}

void TestCatalogue::load_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("tlds");
    QTest::addColumn<QStringList>("subdomains");
    QTest::addColumn<QList<int>>("skipped");

    const auto enc = [](const char* plain) {
        return DecodeLine(QString::fromLatin1(plain)).toLatin1();
    };
    QTest::newRow("three lines")
        << enc("com;Commercial;https://a\r\nnet;Network;\r\nuk;United Kingdom;;co:org\r\n")
        << QStringList{"com", "net", "uk"} << QStringList{"", "", "co:org"} << QList<int>{};
    QTest::newRow("six fields keep four") << enc("uk;UK;s;co:org;x;y\r\n") << QStringList{"uk"}
                                          << QStringList{"co:org"} << QList<int>{};
    QTest::newRow("lone line feeds, no final end")
        << enc("com;C;;\nnet;N;;") << QStringList{"com", "net"} << QStringList{"", ""}
        << QList<int>{};
    QTest::newRow("malformed lines skipped")
        << enc("com;C;\r\n\r\nbad;two\r\nnoseparator\r\nnet;N;;\r\n") << QStringList{"com", "net"}
        << QStringList{"", ""} << QList<int>{2, 3, 4};
    // A control character in a field is no text to show or search: the line is skipped.
    QTest::newRow("binary bytes in a field")
        << enc("bin;") + QByteArray("\x00\xff\x01", 3) + enc(";;\r\n") + enc("net;N;;\r\n")
        << QStringList{"net"} << QStringList{""} << QList<int>{1};
    QTest::newRow("stray carriage return before the line end")
        << enc("uk;UK;;co:org") + "\r\r\n" + enc("com;C;;\r\n") << QStringList{"com"}
        << QStringList{""} << QList<int>{1};
    QTest::newRow("other letters are text") << enc("ci;C") + "\xf4" + enc("te;;\r\n")
                                            << QStringList{"ci"} << QStringList{""} << QList<int>{};
    QTest::newRow("empty file") << QByteArray() << QStringList{} << QStringList{} << QList<int>{};
}

void TestCatalogue::load() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, tlds);
    QFETCH(QStringList, subdomains);
    QFETCH(QList<int>, skipped);

    const QString path = m_dir.filePath(QStringLiteral("nspot.dll"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const Result<LoadedCatalogue> result = LoadCatalogue(path);
    QVERIFY(result);
    const TldCatalogue& catalogue = result->catalogue;
    QCOMPARE(int(catalogue.count), tlds.size());
    for (int i = 0; i < catalogue.count; ++i) {
        QCOMPARE(catalogue[i].tld, tlds[i]);
        QCOMPARE(catalogue[i].subdomains, subdomains[i]);
        QCOMPARE(catalogue[i].selected, 0);
    }
    QVERIFY(catalogue[catalogue.count].tld.isEmpty());
    QCOMPARE(QList<int>(result->skippedLines.begin(), result->skippedLines.end()), skipped);
}

void TestCatalogue::missingFile() {
    const Result<LoadedCatalogue> absent =
        LoadCatalogue(m_dir.filePath(QStringLiteral("absent.dll")));
    QVERIFY(!absent);
    QCOMPARE(absent.error().message, missingCatalogueMessage(m_dir.path()));
    // There, but not readable as a file: said so, not "cannot find".
    const QString folder = m_dir.filePath(QStringLiteral("folder/nspot.dll"));
    QVERIFY(QDir().mkpath(folder));
    const Result<LoadedCatalogue> unreadable = LoadCatalogue(folder);
    QVERIFY(!unreadable);
    QVERIFY2(unreadable.error().message.startsWith(QStringLiteral("Cannot read nspot.dll: ")),
             qPrintable(unreadable.error().message));
    QVERIFY(unreadable.error().message.endsWith(folder));
    // A pipe in its place is refused, not waited on for a writer.
    const QString pipe = m_dir.filePath(QStringLiteral("pipe.dll"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const Result<LoadedCatalogue> fromPipe = LoadCatalogue(pipe);
    QFile::remove(pipe);
    QVERIFY(!fromPipe);
    QCOMPARE(fromPipe.error().message,
             unreadableCatalogueMessage(pipe, QStringLiteral("it is a pipe, not a file")));
    QCOMPARE(missingCatalogueTitle(), QStringLiteral("Nomispot load error."));
    QCOMPARE(missingCatalogueMessage(QStringLiteral("/opt/nomispot")),
             QStringLiteral("Cannot find nspot.dll\rMake sure this file is in your Nomispot "
                            "directory.\r/opt/nomispot"));
}

void TestCatalogue::tooManyLines() {
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QStringLiteral("t%1;Test %1;;").arg(i);
    const QString path = m_dir.filePath(QStringLiteral("big.dll"));
    QVERIFY(test::writeCatalogueFile(path, lines));
    const Result<LoadedCatalogue> result = LoadCatalogue(path);
    QVERIFY(result);
    const TldCatalogue& catalogue = result->catalogue;
    QCOMPARE(catalogue.count, 301);
    QCOMPARE(catalogue[300].tld, QStringLiteral("t300"));
    QCOMPARE(result->skippedLines.size(), std::size_t(99));
    QCOMPARE(result->skippedLines.front(), 302);
    const QString message = skippedLinesMessage(path, result->skippedLines);
    QVERIFY(message.contains(path));
    QVERIFY(message.contains(QStringLiteral("302")));
    QVERIFY(message.contains(QStringLiteral("and 79 more")));
}

void TestCatalogue::selection() {
    TldCatalogue catalogue = test::makeCatalogue({"com;C;;", "net;N;;", "org;O;;"});
    QCOMPARE(CountSelected(catalogue), 0);
    catalogue[1].selected = 2; // only 1 counts
    QCOMPARE(CountSelected(catalogue), 0);
    setAllSelected(catalogue, true);
    QCOMPARE(CountSelected(catalogue), 3);
    QCOMPARE(DefaultTlds::list(), QStringList({"com", "net", "org", "us", "to", "tv", "tm", "nu"}));
    QCOMPARE(DefaultTlds::label(), QStringLiteral(".com.net.org.us.to.tv.tm.nu"));
}

void TestCatalogue::findTldIndex_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::newRow("direct") << "net" << 1;
    QTest::newRow("second level") << "co.uk" << 2;
    QTest::newRow("last match wins") << "dup" << 4;
    QTest::newRow("first entry only by miss") << "com" << 0;
    QTest::newRow("unknown") << "zz" << 0;
    QTest::newRow("empty gives count") << "" << 5;
    QTest::newRow("case sensitive") << "NET" << 0;
}

void TestCatalogue::findTldIndex() {
    QFETCH(QString, text);
    QFETCH(int, index);
    const TldCatalogue catalogue =
        test::makeCatalogue({"com;C;;", "net;N;;", "uk;U;;co", "dup;D1;;", "dup;D2;;"});
    QCOMPARE(int(FindTldIndex(catalogue, text)), index);
}

void TestCatalogue::builtDataFile() {
    const QString path = catalogueFilePath(test::binDir());
    QFile raw(path);
    QVERIFY2(raw.open(QIODevice::ReadOnly), qPrintable(path));
    const QList<QByteArray> lines = raw.readAll().split('\n');
    const Result<LoadedCatalogue> result = LoadCatalogue(path);
    QVERIFY(result);
    QVERIFY(result->skippedLines.empty());
    const TldCatalogue& catalogue = result->catalogue;
    QVERIFY(catalogue.count > 250 && catalogue.count <= 301);
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        QVERIFY(line.endsWith('\r'));
        const int fields = DecodeLine(QString::fromLatin1(line.chopped(1))).split(u';').size();
        QVERIFY(fields == 3 || fields == 4);
    }
    const int uk = FindTldIndex(catalogue, QStringLiteral("uk"));
    QCOMPARE(catalogue[uk].subdomains, QStringLiteral(":co:org:me:ltd:plc:net"));
    QCOMPARE(catalogue[0].tld, QStringLiteral("com"));
}

// Every column the built data file gives is a name space where names can be registered, as the
// installed public suffix list says: a suffix of its own, never one where only deeper names are.
void TestCatalogue::builtDataFileAgainstSuffixList() {
    QFile list(QStringLiteral("/usr/share/publicsuffix/public_suffix_list.dat"));
    if (!list.open(QIODevice::ReadOnly)) {
        if (qEnvironmentVariableIsSet("NOMISPOT_REQUIRE_NSD"))
            QFAIL("the public suffix list is not installed (apt-get install publicsuffix)");
        QSKIP("the public suffix list is not installed (apt-get install publicsuffix)");
    }
    QSet<QString> rules;
    bool icann = false;
    for (const QByteArray& raw : list.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.contains(QStringLiteral("===BEGIN ICANN DOMAINS===")))
            icann = true;
        else if (line.contains(QStringLiteral("===END ICANN DOMAINS===")))
            break;
        else if (icann && !line.isEmpty() && !line.startsWith(QStringLiteral("//")))
            rules.insert(line.section(u' ', 0, 0));
    }
    QVERIFY(rules.size() > 1000);

    const Result<LoadedCatalogue> loaded = LoadCatalogue(catalogueFilePath(test::binDir()));
    QVERIFY(loaded);
    TldCatalogue catalogue = loaded->catalogue;
    setAllSelected(catalogue, true);
    for (const ResultColumn& column : planColumns(true, SearchSet::Selection, catalogue)) {
        const QString tld = column.suffix.section(u'.', -1);
        const bool wildcard = rules.contains(QStringLiteral("*.") + tld);
        if (column.suffix == tld)
            QVERIFY2(rules.contains(tld) && !wildcard, qPrintable(column.suffix));
        else
            QVERIFY2(rules.contains(column.suffix) || wildcard, qPrintable(column.suffix));
    }
    for (const char* closed : {"gb", "bv", "sj"})
        QCOMPARE(FindTldIndex(catalogue, QString::fromLatin1(closed)), std::int16_t(0));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
