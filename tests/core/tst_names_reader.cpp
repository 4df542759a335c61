// Names read from text in pieces and from files: line ends become blanks, what no name may hold
// is refused with its line, and so is a file that is not UTF-8 or too large for the names box.
#include "names/name_parser.h"
#include "names/names_reader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace nomispot;

class TestNamesReader : public QObject {
    Q_OBJECT
private slots:
    void file_data();
    void file();
    void notARegularFile();
    void piecesAnywhere();
    void nameLimit();
};

void TestNamesReader::file_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("names");   // what the names box gets
    QTest::addColumn<QString>("message"); // a part of the refusal; empty when read

    QTest::newRow("one a line") << QByteArray("sunny\nrainy\n") << "sunny rainy"
                                << "";
    QTest::newRow("several a line, separators")
        << QByteArray("sunny rainy;windy,\n  cloudy  \n") << "sunny rainy windy cloudy"
        << "";
    QTest::newRow("CR LF, no final line end") << QByteArray("a.com\r\nb.net") << "a.com b.net"
                                              << "";
    QTest::newRow("blank lines") << QByteArray("\n\nsunny\n\n") << "sunny"
                                 << "";
    QTest::newRow("UTF-8 with a byte order mark")
        << QByteArray("\xef\xbb\xbfm\xc3\xbcnchen\n") << QStringLiteral("m\u00fcnchen") << "";
    QTest::newRow("empty") << QByteArray() << ""
                           << "";
    QTest::newRow("a tab on line 2") << QByteArray("sunny\nrai\tny\n") << ""
                                     << "line 2 of";
    QTest::newRow("a lone CR on line 3") << QByteArray("a\nb\nc\rd\n") << ""
                                         << "line 3 of";
    QTest::newRow("Latin-1 on line 2") << QByteArray("sunny\nm\xfcnchen\n") << ""
                                       << "is not UTF-8 text (line 2 of";
    QTest::newRow("a sequence cut at the end") << QByteArray("sunny\nab\xc3") << ""
                                               << "is not UTF-8 text (line 2 of";
    QTest::newRow("UTF-16") << QByteArray("\xff\xfes\0u\0n\0", 8) << ""
                            << "is not UTF-8 text";
    QTest::newRow("a name longer than any domain")
        << QByteArray("ok\n") + QByteArray(1100, 'a') << ""
        << "longer than any domain name";
    QTest::newRow("larger than the names box takes") << QByteArray(1024 * 1024 + 1, 'a') << ""
                                                     << "nomispot-check reads lists of any length";
}

void TestNamesReader::file() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, names);
    QFETCH(QString, message);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("names.txt"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const Result<QString> read = readNamesFile(path);
    if (message.isEmpty()) {
        QVERIFY2(read, read ? "" : qPrintable(read.error().message));
        QCOMPARE(*read, names);
        return;
    }
    QVERIFY(!read);
    QVERIFY2(read.error().message.contains(message), qPrintable(read.error().message));
    QVERIFY2(read.error().message.contains(QDir::toNativeSeparators(path)),
             qPrintable(read.error().message));
}

void TestNamesReader::notARegularFile() {
    QTemporaryDir dir;
    for (const QString& path :
         {dir.path(), dir.filePath(QStringLiteral("missing.txt")), QStringLiteral("/dev/zero")}) {
        const Result<QString> read = readNamesFile(path);
        QVERIFY2(!read, qPrintable(path));
        QVERIFY2(read.error().message.contains(path), qPrintable(read.error().message));
    }
}

// A line end, a name or a UTF-8 sequence cut between chunks reads the same.
void TestNamesReader::piecesAnywhere() {
    const QByteArray text = QByteArray("m\xc3\xbcnchen sunny\r\n", 16).repeated(9000);
    QBuffer whole;
    whole.setData(text);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    NamesReader reader;
    QString taken;
    const auto step = readNamesFrom(whole, QStringLiteral("list"), reader, [&](NamesReader& r) {
        taken += r.takeText() + u' ';
        return true;
    });
    QVERIFY(step);
    taken += reader.takeText();
    QCOMPARE(taken.simplified(), QStringLiteral("m\u00fcnchen sunny ").repeated(9000).trimmed());
    QCOMPARE(reader.nameCount(), 18000);
}

void TestNamesReader::nameLimit() {
    NamesReader reader(3);
    reader.beginSource(QStringLiteral("argument 1"), false);
    QCOMPARE(*reader.take(u"a b c"), NamesReader::Step::More);
    QCOMPARE(*reader.take(u" d"), NamesReader::Step::Enough);
    const Result<NamesReader::Step> illegal = NamesReader().take(u"a\tb");
    QVERIFY(!illegal);
    QVERIFY(illegal.error().message.startsWith(illegalCharactersMessage()));
}

QTEST_GUILESS_MAIN(TestNamesReader)
#include "tst_names_reader.moc"
