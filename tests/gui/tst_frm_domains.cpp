#include "catalogue/frm_domains.h"
#include "settings/settings_ops.h"
#include "test_app.h"
#include "twips.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <functional>

using namespace nomispot;
using nomispot::test::TestApp;

namespace {

template <typename T = QWidget> T* child(const QWidget* dialog, const QString& name) {
    return dialog->findChild<T*>(name);
}

QCheckBox* row(const QWidget* dialog, int i) {
    return child<QCheckBox>(dialog, QStringLiteral("dom(%1)").arg(i));
}

QScrollBar* scrollBar(const QWidget* dialog) {
    return child<QScrollBar>(dialog, QStringLiteral("VScroll1"));
}

// Clicks near the left edge, where a check box or option has its mark.
void click(const QWidget* dialog, const char* name) {
    auto* button = child<QAbstractButton>(dialog, QString::fromLatin1(name));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// A catalogue of count entries t0, t1 … with descriptions "Entry 0", "Entry 1" …
void fillCatalogue(TestApp& app, int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("t%1;Entry %1;https://nic.example").arg(i);
    app.state.catalogue = test::makeCatalogue(lines);
}

// A catalogue of count entries with flags set by adjust (all clear without it), stored with the
// personal selection as the choice.
void storeUserSelection(TestApp& app, int count,
                        const std::function<void(TldCatalogue&)>& adjust = {}) {
    fillCatalogue(app, count);
    if (adjust)
        adjust(app.state.catalogue);
    SaveTldSelection(*app.store, app.state.catalogue);
    writeUseUserDomains(*app.store, true);
    app.state.searchSet = SearchSet::Selection;
}

// The entries the visible rows show, by their captions.
QStringList visibleCaptions(const QWidget* dialog) {
    QStringList captions;
    for (int i = 0; i < frmDomains::kRows; ++i)
        if (!row(dialog, i)->isHidden())
            captions << row(dialog, i)->text();
    return captions;
}

QStringList captions(int first, int last) {
    QStringList list;
    for (int i = first; i <= last; ++i)
        list << QStringLiteral("t%1 - Entry %1").arg(i);
    return list;
}

std::vector<int> flags(const TldCatalogue& catalogue) {
    std::vector<int> list;
    for (int i = 0; i < catalogue.count; ++i)
        list.push_back(catalogue[i].selected);
    return list;
}

std::vector<int> storedFlags(const TestApp& app) {
    TldCatalogue catalogue = app.state.catalogue;
    LoadTldSelection(*app.loadFromDisk(), catalogue);
    return flags(catalogue);
}

// Outer height in twips, frame included, within a pixel.
bool hasOuterHeight(const QWidget* dialog, int twips) {
    return std::abs(dialog->frameGeometry().height() - twipsToPixelsY(twips, dialog)) <= 1;
}

} // namespace

class TestFrmDomains : public QObject {
    Q_OBJECT
private slots:
    void controls();
    void scrolling_data();
    void scrolling();
    void rowsFollowTheThumb();
    void tickScrollBackCancel();
    void selectAllCancel();
    void clearAllOk();
    void okWithDefaultOption();
    void reopenShowsStoredOption_data();
    void reopenShowsStoredOption();
    void selectDefaultDomains();
    void frameCloseKeepsFlagsUnstored();
    void flagTwo_data();
    void flagTwo();
    void captionsShowAmpersands();
    void screenReaderToggle();
};

void TestFrmDomains::controls() {
    TestApp app;
    fillCatalogue(app, 20);
    frmDomains dialog(app.state);
    QCOMPARE(dialog.windowTitle(), "Domains to search");
    QVERIFY(dialog.isModal());
    QCOMPARE(child<QRadioButton>(&dialog, "defaultdomains")->text(), "Check only these domains");
    QCOMPARE(child<QRadioButton>(&dialog, "userdomains")->text(), "Personal selection of domains");
    QCOMPARE(child<QLabel>(&dialog, "staticdomainlabel")->text(), ".com.net.org.us.to.tv.tm.nu");
    auto* frame = child<QGroupBox>(&dialog, "Frame1");
    QCOMPARE(frame->title(), "Select domains you want included in searches");
    QCOMPARE(child<QPushButton>(&dialog, "butOK")->text(), "OK");
    QCOMPARE(child<QPushButton>(&dialog, "butCancel")->text(), "Cancel");
    QCOMPARE(child<QPushButton>(&dialog, "butSelAll")->text(), "Select All");
    QCOMPARE(child<QPushButton>(&dialog, "butClearAll")->text(), "Clear All");

    // Places in twips: rows 250 apart after the first two, scroll bar inside the frame.
    const auto twipsRect = [&](double l, double t, double w, double h) {
        return QRect(twipsToPixels(l, &dialog), twipsToPixelsY(t, &dialog),
                     twipsToPixels(w, &dialog), twipsToPixelsY(h, &dialog));
    };
    QCOMPARE(frame->geometry(), twipsRect(240, 960, 4935, 4095));
    QCOMPARE(row(&dialog, 0)->geometry(), twipsRect(105, 300, 4335, 270));
    QCOMPARE(row(&dialog, 1)->geometry(), twipsRect(105, 570, 4335, 270));
    QCOMPARE(row(&dialog, 13)->geometry(), twipsRect(105, 3570, 4335, 270));
    QCOMPARE(row(&dialog, 0)->parentWidget(), frame);
    QCOMPARE(scrollBar(&dialog)->parentWidget(), frame);
    QCOMPARE(scrollBar(&dialog)->geometry(), twipsRect(4680, 165, 195, 3855));
    QCOMPARE(child(&dialog, "butOK")->geometry(), twipsRect(4200, 75, 975, 375));
    QCOMPARE(child(&dialog, "butSelAll")->geometry(), twipsRect(1320, 5160, 1215, 375));
    QCOMPARE(dialog.width(), twipsToPixels(5265, &dialog));
}

void TestFrmDomains::scrolling_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QStringList>("atTop");
    QTest::addColumn<QStringList>("atBottom");

    QTest::newRow("14 entries") << 14 << 0 << captions(0, 13) << captions(0, 13);
    QTest::newRow("20 entries") << 20 << 6 << captions(0, 13) << captions(6, 19);
    QTest::newRow("5 entries") << 5 << 0 << captions(0, 4) << captions(0, 4);
    QTest::newRow("no entries") << 0 << 0 << QStringList() << QStringList();
}

void TestFrmDomains::scrolling() {
    QFETCH(int, count);
    QFETCH(int, maximum);
    QFETCH(QStringList, atTop);
    QFETCH(QStringList, atBottom);

    TestApp app;
    storeUserSelection(app, count);
    frmDomains dialog(app.state);
    dialog.show();
    QScrollBar* bar = scrollBar(&dialog);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), maximum);
    QCOMPARE(bar->singleStep(), 1);
    QCOMPARE(bar->pageStep(), 1);
    QCOMPARE(visibleCaptions(&dialog), atTop);

    for (int i = 0; i < maximum; ++i)
        bar->triggerAction(i % 2 ? QAbstractSlider::SliderSingleStepAdd
                                 : QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); // past the end: stays
    QCOMPARE(bar->value(), maximum);
    QCOMPARE(visibleCaptions(&dialog), atBottom);
}

void TestFrmDomains::rowsFollowTheThumb() {
    TestApp app;
    storeUserSelection(app, 40);
    frmDomains dialog(app.state);
    dialog.show();
    QScrollBar* bar = scrollBar(&dialog);
    bar->setTracking(false); // the rows must follow even when the value waits for the release
    bar->setSliderDown(true);
    bar->setSliderPosition(9);
    QCOMPARE(visibleCaptions(&dialog), captions(9, 22));
    bar->setSliderPosition(26);
    QCOMPARE(visibleCaptions(&dialog), captions(26, 39));
    bar->setSliderDown(false);
    QCOMPARE(bar->value(), 26);
    QCOMPARE(visibleCaptions(&dialog), captions(26, 39));
}

void TestFrmDomains::tickScrollBackCancel() {
    TestApp app;
    storeUserSelection(app, 20);
    const std::vector<int> saved = flags(app.state.catalogue);

    frmDomains dialog(app.state);
    dialog.show();
    QScrollBar* bar = scrollBar(&dialog);
    bar->setValue(3);
    click(&dialog, "dom(2)"); // entry 5
    QCOMPARE(int(app.state.catalogue[5].selected), 1);
    bar->setValue(6);
    QVERIFY(!row(&dialog, 0)->isChecked()); // entry 6
    bar->setValue(3);
    QVERIFY(row(&dialog, 2)->isChecked());

    click(&dialog, "butCancel");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(flags(app.state.catalogue), saved);
    QCOMPARE(storedFlags(app), saved);
}

void TestFrmDomains::selectAllCancel() {
    TestApp app;
    storeUserSelection(app, 20, [](TldCatalogue& c) { c[17].selected = 1; });
    const std::vector<int> saved = flags(app.state.catalogue);

    frmDomains dialog(app.state);
    dialog.show();
    click(&dialog, "butSelAll");
    QCOMPARE(flags(app.state.catalogue), std::vector<int>(20, 1));
    for (int i = 0; i < frmDomains::kRows; ++i)
        QVERIFY(row(&dialog, i)->isChecked());
    click(&dialog, "butCancel");
    QCOMPARE(flags(app.state.catalogue), saved);
}

void TestFrmDomains::clearAllOk() {
    TestApp app;
    storeUserSelection(app, 20, [](TldCatalogue& c) { setAllSelected(c, true); });

    frmDomains dialog(app.state);
    dialog.show();
    scrollBar(&dialog)->setValue(6);
    click(&dialog, "butClearAll");
    QVERIFY(!row(&dialog, 13)->isChecked());
    click(&dialog, "dom(13)"); // entry 19
    click(&dialog, "butOK");
    std::vector<int> expected(20, 0);
    expected[19] = 1;
    QCOMPARE(flags(app.state.catalogue), expected);
    QCOMPARE(storedFlags(app), expected);
    QVERIFY(readUseUserDomains(*app.loadFromDisk()));
}

void TestFrmDomains::okWithDefaultOption() {
    TestApp app;
    storeUserSelection(app, 20);
    {
        frmDomains dialog(app.state);
        dialog.show();
        click(&dialog, "dom(1)");
        click(&dialog, "defaultdomains");
        QVERIFY(!dialog.userDomainsSelected());
        click(&dialog, "butOK");
    }
    QVERIFY(!readUseUserDomains(*app.loadFromDisk()));
    QCOMPARE(storedFlags(app)[1], 1);

    // A later switch to the personal selection shows the saved tick.
    frmDomains again(app.state);
    again.show();
    QVERIFY(!again.userDomainsSelected());
    click(&again, "userdomains");
    QVERIFY(row(&again, 1)->isChecked());
}

void TestFrmDomains::reopenShowsStoredOption_data() {
    QTest::addColumn<bool>("user");
    QTest::addColumn<int>("height");
    QTest::newRow("personal selection") << true << 5985;
    QTest::newRow("default list") << false << 1400;
}

void TestFrmDomains::reopenShowsStoredOption() {
    QFETCH(bool, user);
    QFETCH(int, height);

    TestApp app;
    fillCatalogue(app, 20);
    app.state.searchSet = user ? SearchSet::DefaultList : SearchSet::Selection;
    {
        frmDomains dialog(app.state);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(hasOuterHeight(&dialog, user ? 1400 : 5985));
        click(&dialog, user ? "userdomains" : "defaultdomains");
        QVERIFY(hasOuterHeight(&dialog, height));
        click(&dialog, "butOK");
    }
    QCOMPARE(app.state.searchSet, user ? SearchSet::Selection : SearchSet::DefaultList);
    frmDomains dialog(app.state);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.userDomainsSelected(), user);
    QCOMPARE(child<QRadioButton>(&dialog, "defaultdomains")->isChecked(), !user);
    QCOMPARE(child(&dialog, "Frame1")->isVisible(), user);
    QVERIFY(hasOuterHeight(&dialog, height));
    // With the default list the buttons below the frame lie outside the window.
    const QWidget* selAll = child(&dialog, "butSelAll");
    QCOMPARE(dialog.rect().contains(selAll->geometry()), user);
}

void TestFrmDomains::selectDefaultDomains() {
    TestApp app;
    storeUserSelection(app, 20);
    frmDomains dialog(app.state);
    dialog.show();
    QVERIFY(dialog.userDomainsSelected());
    dialog.selectDefaultDomains();
    QVERIFY(!dialog.userDomainsSelected());
    QVERIFY(child(&dialog, "Frame1")->isHidden());
    QVERIFY(hasOuterHeight(&dialog, 1400));
    QVERIFY(readUseUserDomains(*app.store)); // the option is stored only by OK
}

void TestFrmDomains::frameCloseKeepsFlagsUnstored() {
    TestApp app;
    storeUserSelection(app, 20);
    {
        frmDomains dialog(app.state);
        dialog.show();
        click(&dialog, "dom(4)");
        click(&dialog, "defaultdomains");
        QVERIFY(dialog.close());
    }
    QCOMPARE(int(app.state.catalogue[4].selected), 1); // used by the next check, not stored
    QCOMPARE(storedFlags(app), std::vector<int>(20, 0));
    frmDomains dialog(app.state);
    QVERIFY(dialog.userDomainsSelected());
}

void TestFrmDomains::flagTwo_data() {
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("stored");
    QTest::newRow("untouched") << 0 << 2;
    QTest::newRow("ticked") << 1 << 1;
    QTest::newRow("ticked and cleared") << 2 << 0;
}

void TestFrmDomains::flagTwo() {
    QFETCH(int, clicks);
    QFETCH(int, stored);

    TestApp app;
    storeUserSelection(app, 20, [](TldCatalogue& c) { c[1].selected = 2; });

    frmDomains dialog(app.state);
    dialog.show();
    QVERIFY(!row(&dialog, 1)->isChecked());
    for (int i = 0; i < clicks; ++i)
        click(&dialog, "dom(1)");
    scrollBar(&dialog)->setValue(6); // scrolling away and back leaves it as it was
    scrollBar(&dialog)->setValue(0);
    QCOMPARE(row(&dialog, 1)->isChecked(), stored == 1);
    click(&dialog, "butOK");
    QCOMPARE(storedFlags(app)[1], stored);
}

void TestFrmDomains::captionsShowAmpersands() {
    TestApp app;
    app.state.catalogue = test::makeCatalogue({"at;Austria & more;s", "uk;UK;s;:co:org"});
    frmDomains dialog(app.state);
    QCOMPARE(row(&dialog, 0)->text(), "at - Austria && more");
    // A row's tool tip says which endings it checks.
    QCOMPARE(row(&dialog, 0)->toolTip(), "Checks .at");
    QCOMPARE(row(&dialog, 1)->toolTip(), "Checks .uk, .co.uk, .org.uk");
}

// A box ticked through the accessibility interface, as a screen reader does, reaches the
// catalogue like a click.
void TestFrmDomains::screenReaderToggle() {
    TestApp app;
    storeUserSelection(app, 20);
    frmDomains dialog(app.state);
    dialog.show();
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(row(&dialog, 3));
    QVERIFY(box && box->actionInterface());
    QVERIFY(!box->text(QAccessible::Name).isEmpty());
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(row(&dialog, 3)->isChecked());
    QCOMPARE(int(app.state.catalogue[3].selected), 1);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(int(app.state.catalogue[3].selected), 0);
}

QTEST_MAIN(TestFrmDomains)
#include "tst_frm_domains.moc"
