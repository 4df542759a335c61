// Window sizes and placement under a real window manager (Xvfb with openbox), where frames and
// late resize notices exist; offscreen has neither. Run by tests/wm/run_under_openbox.sh.
#include "names/frm_main.h"
#include "results/frm_results.h"
#include "test_app.h"
#include "twips.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace nomispot;

class TestWindowSizes : public QObject {
    Q_OBJECT
private slots:
    void resultsWindowAtContentSize();
};

// The results window opens exactly as large as its content needs, every time.
void TestWindowSizes::resultsWindowAtContentSize() {
    test::TestApp app;
    app.state.dns = {QStringLiteral("127.0.0.1"), 1000, 1};
    frmMain window(app.state);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int right = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        auto* names = window.findChild<QLineEdit*>(QStringLiteral("names"));
        names->setText(QStringLiteral("sunny bakery"));
        window.activate_Click();
        QPointer<frmResults> results = window.results();
        QVERIFY(results);
        QVERIFY(QTest::qWaitForWindowExposed(results));
        QTest::qWait(300); // late notices from the window manager
        const WindowLimits limits = *results->limits();
        const int width = twipsToPixels(limits.maxWidth, results);
        const int height = twipsToPixelsY(limits.maxHeight, results);
        const QSize outer = results->frameGeometry().size();
        if (qAbs(outer.width() - width) <= 1 && qAbs(outer.height() - height) <= 1)
            ++right;
        results->close();
        QTRY_VERIFY(!results);
    }
    QCOMPARE(right, 20);
}

QTEST_MAIN(TestWindowSizes)
#include "tst_window_sizes.moc"
