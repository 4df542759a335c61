#include "names/process_start.h"

#include <QProcess>
#include <QTest>

using namespace nomispot;

class TestProcessStart : public QObject {
    Q_OBJECT
private slots:
    void shellAndWait_data();
    void shellAndWait();
    void startProcess();
};

void TestProcessStart::shellAndWait_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<bool>("idle");
    QTest::addColumn<int>("result"); // -1: cannot start

    QTest::newRow("ends") << "/bin/sh -c \"exit 3\"" << 0 << false << 1;
    QTest::newRow("ends within the time") << "/bin/true" << 5000 << false << 1;
    QTest::newRow("time passes") << "/bin/sleep 5" << 50 << false << 0;
    QTest::newRow("ready for input") << "/bin/sleep 5" << 0 << true << 1;
    QTest::newRow("missing program") << "/nonexistent/hhupd.exe" << 0 << false << -1;
    QTest::newRow("empty command") << "" << 0 << false << -1;
}

void TestProcessStart::shellAndWait() {
    QFETCH(QString, command);
    QFETCH(int, timeout);
    QFETCH(bool, idle);
    QFETCH(int, result);
    const std::optional<bool> r = ShellAndWait(command, timeout, idle, true);
    QCOMPARE(r ? int(*r) : -1, result);
}

void TestProcessStart::startProcess() {
    auto p = StartProcess(QStringLiteral("/bin/sh -c \"exit 7\""), true);
    QVERIFY(p);
    QVERIFY(p->waitForFinished());
    QCOMPARE(p->exitCode(), 7);
    QVERIFY(!StartProcess(QStringLiteral("/nonexistent"), false));
}

QTEST_GUILESS_MAIN(TestProcessStart)
#include "tst_process_start.moc"
