#include "results/grid_layout.h"

#include <QTest>

using namespace nomispot;

class TestGridLayout : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void limits_data();
    void limits();
    void resize_data();
    void resize();
};

void TestGridLayout::layout_data() {
    QTest::addColumn<QList<double>>("headers");
    QTest::addColumn<QList<double>>("names");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<double>("contentWidth");
    QTest::addColumn<double>("contentHeight");

    // One name under the eight default TLDs, headers of 345 twips.
    QTest::newRow("one name, eight columns")
        << QList<double>(8, 345.0) << QList<double>{600.4}
        << (QList<int>{850} + QList<int>(8, 545)) << 600.0 + 8 * 545 + 50 << 2 * 301.0;
    QTest::newRow("widest name rounded")
        << QList<double>{100} << QList<double>{400, 700.6, 650} << QList<int>{951, 300}
        << 701.0 + 300 + 50 << 4 * 301.0;
    QTest::newRow("header width rounds half to even")
        << QList<double>{100.5, 101.5} << QList<double>{} << QList<int>{250, 300, 302}
        << 0.0 + 602 + 50 << 301.0;
    QTest::newRow("2048 names") << QList<double>{300} << QList<double>(2048, 500.0)
                                << QList<int>{750, 500} << 500.0 + 500 + 50 << 2049 * 301.0;
}

void TestGridLayout::layout() {
    QFETCH(QList<double>, headers);
    QFETCH(QList<double>, names);
    QFETCH(QList<int>, widths);
    QFETCH(double, contentWidth);
    QFETCH(double, contentHeight);
    const GridLayout l = LayoutGrid(headers, names);
    QCOMPARE(l.columnWidths, widths);
    QCOMPARE(l.contentWidth, contentWidth);
    QCOMPARE(l.contentHeight, contentHeight);
}

void TestGridLayout::limits_data() {
    QTest::addColumn<double>("contentWidth");
    QTest::addColumn<double>("contentHeight");
    QTest::addColumn<double>("maxWidth");
    QTest::addColumn<double>("maxHeight");
    const double screenW = 28800, screenH = 16200; // 1920 x 1080 at 96 DPI

    QTest::newRow("fits") << 5000.0 << 602.0 << 5350.0 << 2052.0;
    QTest::newRow("narrow content opens 2500 wide") << 1000.0 << 602.0 << 2500.0 << 2052.0;
    QTest::newRow("2048 names capped by the screen") << 1500.0 << 616749.0 << 2500.0 << 0.9 * screenH;
    QTest::newRow("wide content capped") << 40000.0 << 602.0 << 0.9 * screenW << 2052.0;
}

void TestGridLayout::limits() {
    QFETCH(double, contentWidth);
    QFETCH(double, contentHeight);
    QFETCH(double, maxWidth);
    QFETCH(double, maxHeight);
    const WindowLimits l = ComputeWindowLimits(contentWidth, contentHeight, 28800, 16200);
    QCOMPARE(l.maxWidth, maxWidth);
    QCOMPARE(l.maxHeight, maxHeight);
    // 2500 wins over a tiny screen.
    QCOMPARE(ComputeWindowLimits(100, 100, 1000, 1000).maxWidth, 2500.0);
}

void TestGridLayout::resize_data() {
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("act");
    QTest::addColumn<double>("newWidth");
    QTest::addColumn<double>("newHeight");
    QTest::addColumn<bool>("place");

    const int normal = int(WindowState::Normal);
    QTest::newRow("height 1300 keeps controls") << 3000.0 << 1300.0 << normal << true << 3000.0 << 1300.0 << false;
    QTest::newRow("width 1700 keeps controls") << 1700.0 << 3000.0 << normal << true << 1700.0 << 3000.0 << false;
    QTest::newRow("1701 x 1301 moves them") << 1701.0 << 1301.0 << normal << true << 1701.0 << 1301.0 << true;
    QTest::newRow("larger than the content follows") << 9000.0 << 7000.0 << normal << true << 9000.0 << 7000.0 << true;
    QTest::newRow("minimised") << 9000.0 << 9000.0 << int(WindowState::Minimised) << false << 0.0 << 0.0 << false;
    QTest::newRow("maximised follows") << 20000.0 << 11000.0 << int(WindowState::Maximised) << true << 20000.0 << 11000.0 << true;
}

void TestGridLayout::resize() {
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(int, state);
    QFETCH(bool, act);
    QFETCH(double, newWidth);
    QFETCH(double, newHeight);
    QFETCH(bool, place);

    const ResizePlan p = Form_Resize(width, height, WindowState(state));
    QCOMPARE(p.act, act);
    QCOMPARE(p.placeControls, place);
    if (!act)
        return;
    QCOMPARE(p.width, newWidth);
    QCOMPARE(p.height, newHeight);
    if (place) {
        QCOMPARE(p.progressBar, (Rect{120, newHeight - 1100, newWidth - 1470, 375}));
        QCOMPARE(p.cancelButton, (Rect{newWidth - 1365, newHeight - 1100, 1215, 375}));
        QCOMPARE(p.grid, (Rect{0, 0, newWidth - 150, newHeight - 1170}));
    }
}

QTEST_GUILESS_MAIN(TestGridLayout)
#include "tst_grid_layout.moc"
