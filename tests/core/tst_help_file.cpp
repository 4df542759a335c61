#include "help/help_file.h"

#include <QTest>

using namespace nomispot;

class TestHelpFile : public QObject {
    Q_OBJECT
private slots:
    void helpFilePath_data();
    void helpFilePath();
};

void TestHelpFile::helpFilePath_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("dataDir");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program help") << 1 << "/opt/nomispot"
                                  << "/opt/nomispot/nomispot.qch";
    QTest::newRow("dir with blanks") << 1 << "/home/a b/bin"
                                     << "/home/a b/bin/nomispot.qch";
    QTest::newRow("no other kind") << 2 << "/opt/nomispot"
                                   << "";
    QTest::newRow("kind 0") << 0 << "/opt/nomispot"
                            << "";
}

void TestHelpFile::helpFilePath() {
    QFETCH(int, kind);
    QFETCH(QString, dataDir);
    QFETCH(QString, expected);
    QCOMPARE(HelpFilePath(kind, dataDir), expected);
}

QTEST_GUILESS_MAIN(TestHelpFile)
#include "tst_help_file.moc"
