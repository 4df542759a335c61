// Zone files in the window: the Options > Zone Files list, and runs that answer from them.
#include "names/frm_main.h"
#include "nsd_server.h"
#include "results/frm_results.h"
#include "settings/settings_ops.h"
#include "test_app.h"
#include "zone/frm_zone_files.h"
#include "zone/zone_files.h"

#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using namespace nomispot;

namespace {

const QString kNameserver = QStringLiteral("127.53.27.2");
using States = QMap<QString, CheckState>;

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A .com zone that says the opposite of the NSD fixture: "free" is delegated, "taken" is not.
const QByteArray kOwnCom = "com. SOA a.gtld. hm.gtld. 2024071502 1 2 3 4\n"
                           "free.com. NS ns.other.\n";

QStringList rowTexts(const frmZoneFiles& dialog, int column) {
    auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("lstZoneFiles"));
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

frmResults* check(frmMain& window, const QString& text) {
    auto* names = window.findChild<QLineEdit*>(QStringLiteral("names"));
    names->clear();
    QTest::keyClicks(names, text);
    window.findChild<QRadioButton*>(QStringLiteral("checkmode(0)"))->click();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("activate")), Qt::LeftButton);
    return window.results();
}

QString toolTip(const frmResults& results, int c, int r) {
    return results.gridModel()
        .data(results.gridModel().index(r - 1, c - 1), Qt::ToolTipRole)
        .toString();
}

} // namespace

class TestFrmZoneFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void addRemoveStoreReload();
    void addRefused_data();
    void addRefused();
    void badStoredValue();
    void windowRun_data();
    void windowRun();
    void failingZoneFile();
    void allAnsweredEndsWithoutAsking();
    void cancelWhileIndexing();

private:
    void useZoneFiles(test::TestApp& app, const QStringList& files);

    std::unique_ptr<test::NsdServer> m_nsd;
    bool m_nsdRunning = false;
    std::optional<QTemporaryDir> m_dir;
};

void TestFrmZoneFiles::initTestCase() {
    // Only .net and .com are served; the window runs below need it, the dialog tests do not.
    m_nsd = std::make_unique<test::NsdServer>(kNameserver, test::NsdServer::standardZones());
    m_nsdRunning = m_nsd->start();
}

void TestFrmZoneFiles::init() {
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
}

void TestFrmZoneFiles::useZoneFiles(test::TestApp& app, const QStringList& files) {
    app.state.zoneIndexDir = m_dir->filePath(QStringLiteral("zone-index"));
    writeZoneFiles(*app.store, files);
    app.state.catalogue = test::makeCatalogue({"com;Commercial;;", "net;Network;;"});
    app.state.catalogue[0].selected = 1;
    app.state.catalogue[1].selected = 1;
    app.state.searchSet = SearchSet::Selection;
    app.state.dns = {kNameserver, 5, 2};
}

void TestFrmZoneFiles::addRemoveStoreReload() {
    test::TestApp app;
    app.state.zoneIndexDir = m_dir->filePath(QStringLiteral("zone-index"));
    const QString com = m_dir->filePath(QStringLiteral("com.zone"));
    const QString net = m_dir->filePath(QStringLiteral("net.zone.gz"));
    QVERIFY(writeBytes(com, kOwnCom));
    QVERIFY(writeBytes(net, "net. SOA a b 1 2 3 4 5\n"));
    // com is indexed (as a run would), net not yet.
    QVERIFY(loadZoneFiles({com}, app.state.zoneIndexDir).failures.isEmpty());

    {
        frmZoneFiles dialog(app.state);
        QVERIFY(dialog.files().isEmpty());
        QVERIFY(dialog.addFile(com));
        QVERIFY(dialog.addFile(net));
        QVERIFY(dialog.addFile(m_dir->filePath(QStringLiteral("sub/../com.zone")))); // once
        QCOMPARE(dialog.files(), (QStringList{com, net}));
        QCOMPARE(rowTexts(dialog, 0), (QStringList{com, net}));
        QCOMPARE(rowTexts(dialog, 1), (QStringList{"com, 2024-07-15: 1 name",
                                                   "Not indexed yet: indexed at the next check."}));
    }
    // Stored at once, in the file itself.
    QCOMPARE(readZoneFiles(*app.loadFromDisk()), (QStringList{com, net}));

    {
        frmZoneFiles dialog(app.state);
        QCOMPARE(dialog.files(), (QStringList{com, net}));
        auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("lstZoneFiles"));
        auto* remove = dialog.findChild<QPushButton*>(QStringLiteral("butRemove"));
        QVERIFY(!remove->isEnabled());
        list->setCurrentItem(list->topLevelItem(0));
        QVERIFY(remove->isEnabled());
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(dialog.files(), QStringList{net});
        QCOMPARE(rowTexts(dialog, 0), QStringList{net});
    }
    QCOMPARE(readZoneFiles(*app.loadFromDisk()), QStringList{net});

    // A file that went away since shows why it cannot be used.
    QVERIFY(QFile::remove(net));
    frmZoneFiles dialog(app.state);
    dialog.reload();
    QCOMPARE(dialog.files(), QStringList{net});
    QVERIFY2(rowTexts(dialog, 1).value(0).startsWith(QStringLiteral("Cannot read the zone file")),
             qPrintable(rowTexts(dialog, 1).value(0)));
}

void TestFrmZoneFiles::addRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing.zone"
                             << "Cannot read the zone file";
    QTest::newRow("folder") << "."
                            << "Cannot read the zone file";
    QTest::newRow("nothing") << ""
                             << "No zone file was named.";
}

void TestFrmZoneFiles::addRefused() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    test::TestApp app;
    frmZoneFiles dialog(app.state);
    const Status added = dialog.addFile(name.isEmpty() ? name : m_dir->filePath(name));
    QVERIFY(!added);
    QVERIFY2(added.error().message.startsWith(message), qPrintable(added.error().message));
    QVERIFY(dialog.files().isEmpty());
    QVERIFY(readZoneFiles(*app.loadFromDisk()).isEmpty());
}

void TestFrmZoneFiles::badStoredValue() {
    const QString path = m_dir->filePath(QStringLiteral("bad.ini"));
    QVERIFY(writeBytes(path, "[zone]\nfiles=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\xff\\xff)\n"));
    SettingsStore store(path);
    test::TestApp app;
    app.state.store = &store;
    frmZoneFiles dialog(app.state);
    QVERIFY(dialog.files().isEmpty());
    // Adding replaces it with a sound list.
    const QString com = m_dir->filePath(QStringLiteral("com.zone"));
    QVERIFY(writeBytes(com, kOwnCom));
    QVERIFY(dialog.addFile(com));
    QCOMPARE(readZoneFiles(store), QStringList{com});
}

void TestFrmZoneFiles::windowRun_data() {
    QTest::addColumn<bool>("own"); // a file of our own, else the one NSD serves
    QTest::addColumn<States>("expected");
    const auto U = CheckState::Unavailable, A = CheckState::Available;
    QTest::newRow("NSD's own .com file")
        << false << States{{"taken.com", U}, {"free.com", A}, {"taken.net", U}, {"free.net", A}};
    QTest::newRow("a .com file that says otherwise")
        << true << States{{"taken.com", A}, {"free.com", U}, {"taken.net", U}, {"free.net", A}};
}

void TestFrmZoneFiles::windowRun() {
    QFETCH(bool, own);
    QFETCH(States, expected);
    if (!m_nsdRunning) {
        if (m_nsd->failed() || qEnvironmentVariableIsSet("NOMISPOT_REQUIRE_NSD"))
            QFAIL(qPrintable(m_nsd->skipReason()));
        QSKIP(qPrintable(m_nsd->skipReason()));
    }
    const QString com =
        own ? m_dir->filePath(QStringLiteral("com.zone")) : m_nsd->zoneFilePath("com");
    if (own)
        QVERIFY(writeBytes(com, kOwnCom));
    const QString date =
        own ? QStringLiteral("2024-07-15") : QDate::currentDate().toString(Qt::ISODate);

    test::TestApp app;
    useZoneFiles(app, {com});
    app.state.dns.delayMs = 100; // slow enough to see the bar before the answers
    frmMain window(app.state);
    window.show();
    QPointer<frmResults> results = check(window, QStringLiteral("taken free"));
    QVERIFY(results);
    // Once the nameserver is tested, the zone's two candidates count as done: the run held
    // still while the bar is read.
    QTRY_VERIFY_WITH_TIMEOUT(results->runner().phase() && results->runner().phase()->pass() >= 1,
                             20000);
    results->runner().timer().stop();
    auto* bar = results->findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
    QTRY_COMPARE(bar->maximum(), 5);
    QVERIFY2(bar->value() >= 2, qPrintable(QString::number(bar->value())));
    results->runner().timer().start();
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);

    const CheckTable& table = results->candidates();
    QCOMPARE(table.colCount(), 2);
    for (int c = 1; c <= 2; ++c)
        for (int r = 1; r <= table.nameCount(); ++r) {
            const CheckItem& item = table.at(c, r);
            QVERIFY2(expected.contains(item.domain), qPrintable(item.domain));
            QCOMPARE(int(item.state), int(expected.value(item.domain)));
            const bool fromZone = item.tld == u"com";
            // The zone's candidates are never sent; the others are asked of NSD.
            QCOMPARE(item.sent, !fromZone);
            const QString tip = toolTip(*results, c, r);
            QCOMPARE(tip.contains(QStringLiteral("zone file of ") + date), fromZone);
            if (fromZone)
                QCOMPARE(tip,
                         item.domain +
                             (item.state == CheckState::Unavailable
                                  ? QStringLiteral(" is taken (in the zone file of %1)")
                                  : QStringLiteral(" is available (not in the zone file of %1)"))
                                 .arg(date));
        }
    QVERIFY2(results->summary().contains(QStringLiteral("2 answered from zone files.")),
             qPrintable(results->summary()));
    QVERIFY(app.messages.messages.empty());
    // Only .net was tested before the run.
    QCOMPARE(table.probes().size(), std::size_t(1));
    QCOMPARE(table.probes()[0].suffix, QStringLiteral("net"));
}

void TestFrmZoneFiles::failingZoneFile() {
    if (!m_nsdRunning) {
        if (m_nsd->failed() || qEnvironmentVariableIsSet("NOMISPOT_REQUIRE_NSD"))
            QFAIL(qPrintable(m_nsd->skipReason()));
        QSKIP(qPrintable(m_nsd->skipReason()));
    }
    const QString broken = m_dir->filePath(QStringLiteral("com.zone.gz"));
    QVERIFY(writeBytes(broken, QByteArray("\x1f\x8b\x08\x00", 4) + QByteArray(64, 'x')));
    const QString missing = m_dir->filePath(QStringLiteral("gone.zone"));

    test::TestApp app;
    useZoneFiles(app, {broken, missing});
    frmMain window(app.state);
    QPointer<frmResults> results = check(window, QStringLiteral("taken free"));
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);

    // One message naming both files; the run asked NSD about every name.
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    const QString text = app.messages.messages[0].text;
    QVERIFY2(text.contains(broken) && text.contains(missing), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("asked of the DNS instead")), qPrintable(text));
    const CheckTable& table = results->candidates();
    for (int c = 1; c <= 2; ++c)
        for (int r = 1; r <= 2; ++r) {
            const CheckItem& item = table.at(c, r);
            QVERIFY(item.sent);
            QVERIFY(item.verdictSource.isEmpty());
            QCOMPARE(item.state, item.domain.startsWith(QStringLiteral("taken"))
                                     ? CheckState::Unavailable
                                     : CheckState::Available);
        }
    QVERIFY(!results->summary().contains(QStringLiteral("zone files")));
}

void TestFrmZoneFiles::allAnsweredEndsWithoutAsking() {
    const QString com = m_dir->filePath(QStringLiteral("com.zone"));
    const QString net = m_dir->filePath(QStringLiteral("net.zone"));
    QVERIFY(writeBytes(com, kOwnCom));
    QVERIFY(writeBytes(net, "net. SOA a b 2024010101 2 3 4 5\ntaken.net. NS ns.other.\n"
                            "bad line here\n"));
    test::TestApp app;
    useZoneFiles(app, {com, net});
    app.state.dns.nameserver = QStringLiteral("127.53.27.250"); // no one there
    frmMain window(app.state);
    QPointer<frmResults> results = check(window, QStringLiteral("taken free"));
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);
    QVERIFY(!results->runner().phase()); // no query phase at all
    QCOMPARE(results->candidates().at(2, 1).state, CheckState::Unavailable); // taken.net
    QCOMPARE(results->candidates().at(2, 2).state, CheckState::Available);   // free.net
    QVERIFY2(results->summary().contains(QStringLiteral("4 answered from zone files.")),
             qPrintable(results->summary()));
    // The skipped line is told once, when the index is built.
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    QVERIFY2(app.messages.messages[0].text.contains(QStringLiteral("1 line of the zone file")),
             qPrintable(app.messages.messages[0].text));
    QVERIFY(app.messages.messages[0].icon == MessageIcon::None);

    results = check(window, QStringLiteral("taken"));
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);
    QCOMPARE(app.messages.messages.size(), std::size_t(1));
}

void TestFrmZoneFiles::cancelWhileIndexing() {
    const QString com = m_dir->filePath(QStringLiteral("com.zone"));
    QByteArray text = kOwnCom;
    for (int i = 0; i < 200000; ++i)
        text += "name" + QByteArray::number(i) + ".com. NS ns.other.\n";
    QVERIFY(writeBytes(com, text));
    test::TestApp app;
    useZoneFiles(app, {com});
    app.state.dns.nameserver = QStringLiteral("127.53.27.250");
    frmMain window(app.state);
    QPointer<frmResults> results = check(window, QStringLiteral("taken free"));
    QCOMPARE(results->stage(), frmResults::Stage::Preparing);
    QTest::mouseClick(results->findChild<QPushButton*>(QStringLiteral("butCancelOk")),
                      Qt::LeftButton);
    QCOMPARE(results->stage(), frmResults::Stage::Finished);
    // The loading's end, whenever it comes, changes nothing.
    QTest::qWait(300);
    const CheckTable& table = results->candidates();
    for (int c = 1; c <= 2; ++c)
        for (int r = 1; r <= 2; ++r) {
            QCOMPARE(table.at(c, r).state, CheckState::NotChecked);
            QCOMPARE(table.at(c, r).reason, NotCheckedReason::Cancelled);
        }
    QVERIFY(app.messages.messages.empty());
    // The window closes at once, its loading stopped.
    results->close();
    QTRY_VERIFY(!results);
}

QTEST_MAIN(TestFrmZoneFiles)
#include "tst_frm_zone_files.moc"
