#include "help/frm_about.h"
#include "test_app.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace nomispot;

namespace {

// Machine values from a table; absent ones are not there.
class TableValues : public MachineValues {
public:
    explicit TableValues(QString viewer = {}) : m_viewer(std::move(viewer)) {}
    std::optional<QString> value(const QString& key, const QString& name) override {
        if (!m_viewer.isEmpty() && key == QLatin1String(kMsinfoKey) && name == u"PATH")
            return m_viewer;
        return std::nullopt;
    }

private:
    QString m_viewer;
};

QString labelText(const QDialog& box, const char* name) {
    const auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void texts();
    void pictures();
    void buttons();
    void keysClose_data();
    void keysClose();
    void sysInfoUnavailable();
    void sysInfoStartsViewer();
};

void TestAbout::texts() {
    test::TestApp app;
    frmAbout box(app.state);
    QCOMPARE(box.windowTitle(), QStringLiteral("About Nomispot"));
    QCOMPARE(labelText(box, "lblTitle"), QStringLiteral("Nomispot"));
    QCOMPARE(labelText(box, "lblVersion"), QStringLiteral("Version 1.1.17"));
    QCOMPARE(
        labelText(box, "Label1"),
        QStringLiteral("Nomispot by Brixmoor. The premier tool for checking Internet Domains."));
    const QString label2 = labelText(box, "Label2");
    QVERIFY2(label2.contains(QStringLiteral("web site")) &&
                 label2.contains(QStringLiteral("newest")),
             qPrintable(label2));

    const QFont title = box.findChild<QLabel*>(QStringLiteral("lblTitle"))->font();
    QVERIFY(title.bold());
    QCOMPARE(title.pointSize(), 12);
}

void TestAbout::pictures() {
    test::TestApp app;
    frmAbout box(app.state);
    const QPixmap picture = box.findChild<QLabel*>(QStringLiteral("Picture1"))->pixmap();
    QCOMPARE(picture.size(), QSize(137, 72));
    QVERIFY(!box.findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().isNull());
    QVERIFY(box.findChild<QWidget*>(QStringLiteral("Line1")));
}

void TestAbout::buttons() {
    test::TestApp app;
    frmAbout box(app.state);
    box.show();
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    auto* sysInfo = box.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(sysInfo->text(), QStringLiteral("&System Info..."));
    // System Info bottom left, OK bottom right, on one line.
    QCOMPARE(sysInfo->y(), ok->y());
    QVERIFY(sysInfo->x() < ok->x());
    QVERIFY(ok->geometry().bottom() > box.findChild<QWidget*>(QStringLiteral("Line1"))->y());
}

void TestAbout::keysClose_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void TestAbout::keysClose() {
    QFETCH(int, key);
    test::TestApp app;
    frmAbout box(app.state);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key(key));
    QVERIFY(!box.isVisible());
    QVERIFY(app.messages.messages.empty());
}

void TestAbout::sysInfoUnavailable() {
    test::TestApp app;
    frmAbout box(app.state);
    int started = 0;
    box.setSysInfoTools({std::make_shared<TableValues>(), [](const QString&) { return true; },
                         [&started](const QString&) { return ++started, true; }});
    box.show();
    QTest::mouseClick(box.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);

    QCOMPARE(started, 0);
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    const Message& m = app.messages.messages.front();
    QCOMPARE(m.title, QStringLiteral("Nomispot"));
    QCOMPARE(m.text, QStringLiteral("System Information Is Unavailable At This Time"));
    QCOMPARE(m.icon, MessageIcon::None);
    QVERIFY(box.isVisible());
}

void TestAbout::sysInfoStartsViewer() {
    test::TestApp app;
    frmAbout box(app.state);
    QStringList started;
    box.setSysInfoTools({std::make_shared<TableValues>(QStringLiteral("/opt/viewer")),
                         [](const QString&) { return false; },
                         [&started](const QString& program) { return started << program, true; }});
    box.show();
    QTest::mouseClick(box.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(started, QStringList{QStringLiteral("/opt/viewer")});
    QVERIFY(app.messages.messages.empty());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
