// File > Open Names: a text file's names go into the names box; a file that cannot be used is
// named in a message and the box keeps what it held. Check keeps its limit.
#include "names/frm_main.h"
#include "names/main_menu.h"
#include "settings/settings_ops.h"
#include "test_app.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace nomispot;

class TestOpenNames : public QObject {
    Q_OBJECT
private slots:
    void openNames_data();
    void openNames();
    void checkKeepsItsLimit();
    void menuEntry();
};

void TestOpenNames::openNames_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("box");     // the names box afterwards
    QTest::addColumn<QString>("message"); // a part of the message; empty: none

    const QString kept = QStringLiteral("kept names");
    QTest::newRow("one a line") << QByteArray("sunny\nrainy\r\n") << "sunny rainy"
                                << "";
    QTest::newRow("several a line") << QByteArray("a.com, b.net;c\n\nd\n") << "a.com b.net c d"
                                    << "";
    QTest::newRow("UTF-8") << QByteArray("m\xc3\xbcnchen\n") << QStringLiteral("m\u00fcnchen")
                           << "";
    QTest::newRow("not UTF-8") << QByteArray("sunny\nm\xfcnchen\n") << kept
                               << "is not UTF-8 text (line 2 of";
    QTest::newRow("illegal character") << QByteArray("a\nb\nc/d\n") << kept << "(line 3 of";
    QTest::newRow("too large for the box")
        << QByteArray(1024 * 1024 + 1, 'a') << kept << "nomispot-check reads lists of any length";
    QTest::newRow("not a file") << QByteArray() << kept << "not";
}

void TestOpenNames::openNames() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, box);
    QFETCH(QString, message);

    test::TestApp app;
    frmMain window(app.state);
    auto* names = window.findChild<QLineEdit*>(QStringLiteral("names"));
    names->setText(QStringLiteral("kept names"));
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("names.txt"));
    if (QTest::currentDataTag() == QByteArray("not a file")) {
        path = dir.path();
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QCOMPARE(window.openNames(path), message.isEmpty());
    QCOMPARE(names->text(), box);
    if (message.isEmpty()) {
        QVERIFY(app.messages.messages.empty());
        // One step back gives the old names, as after a paste.
        names->undo();
        QCOMPARE(names->text(), QStringLiteral("kept names"));
        return;
    }
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    const QString text = app.messages.messages[0].text;
    QVERIFY2(text.contains(message), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("not loaded")), qPrintable(text));
}

// More names than a run takes load into the box; Check refuses them with its own message.
void TestOpenNames::checkKeepsItsLimit() {
    test::TestApp app;
    frmMain window(app.state);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("many.txt"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < 3000; ++i)
        f.write(QByteArray("name") + QByteArray::number(i) + ".com\n");
    f.close();
    QVERIFY(window.openNames(path));
    window.activate_Click();
    QVERIFY(!window.results());
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    QCOMPARE(app.messages.messages[0].text,
             tooManyCombinationsMessage(3000) + u'\r' + longListHint());
}

void TestOpenNames::menuEntry() {
    test::TestApp app;
    frmMain window(app.state);
    installMainMenu(window, app.state);
    auto* open = window.findChild<QAction*>(QStringLiteral("mnuOpenNames"));
    QVERIFY(open);
    QCOMPARE(open->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
}

QTEST_MAIN(TestOpenNames)
#include "tst_open_names.moc"
