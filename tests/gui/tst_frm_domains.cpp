#include "catalogue/frm_domains.h"
#include "settings/settings_ops.h"
#include "test_app.h"
#include "twips.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
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

// A catalogue as large as the real one (t0 … t300) for moving through the whole list.
constexpr int kLarge = TldCatalogue::kSlots;

// Shows dialog as the active window, so that keys go where the focus is.
bool showActive(QWidget& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

// A key typed where the focus is, as the keyboard gives it.
void press(const QWidget& dialog, Qt::Key key) {
    QTest::keyClick(
        QApplication::focusWidget() ? QApplication::focusWidget() : dialog.focusWidget(), key);
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
    void wheelOverTheRows_data();
    void wheelOverTheRows();
    void trackPages_data();
    void trackPages();
    void keysMoveThroughTheList_data();
    void keysMoveThroughTheList();
    void typeAhead_data();
    void typeAhead();
    void hiddenButtonsTakeNoFocus_data();
    void hiddenButtonsTakeNoFocus();
    void emptySelectionRefused_data();
    void emptySelectionRefused();
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
    QTest::addColumn<int>("page"); // the rows shown

    QTest::newRow("14 entries") << 14 << 0 << captions(0, 13) << captions(0, 13) << 14;
    QTest::newRow("20 entries") << 20 << 6 << captions(0, 13) << captions(6, 19) << 14;
    QTest::newRow("5 entries") << 5 << 0 << captions(0, 4) << captions(0, 4) << 5;
    QTest::newRow("no entries") << 0 << 0 << QStringList() << QStringList() << 1;
}

void TestFrmDomains::scrolling() {
    QFETCH(int, count);
    QFETCH(int, maximum);
    QFETCH(QStringList, atTop);
    QFETCH(QStringList, atBottom);
    QFETCH(int, page);

    TestApp app;
    storeUserSelection(app, count);
    frmDomains dialog(app.state);
    dialog.show();
    QScrollBar* bar = scrollBar(&dialog);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), maximum);
    QCOMPARE(bar->singleStep(), 1);
    QCOMPARE(bar->pageStep(), page);
    QCOMPARE(visibleCaptions(&dialog), atTop);

    for (int i = 0; i < maximum; ++i)
        bar->triggerAction(i % 2 ? QAbstractSlider::SliderSingleStepAdd
                                 : QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); // past the end: stays
    QCOMPARE(bar->value(), maximum);
    QCOMPARE(visibleCaptions(&dialog), atBottom);
}

// One notch of the wheel over a row, or over the frame between rows, scrolls the list by the
// wheel's lines, as it does over the scroll bar.
void TestFrmDomains::wheelOverTheRows_data() {
    QTest::addColumn<QString>("over");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("notches"); // positive: towards the end
    QTest::addColumn<int>("to");

    const int lines = QApplication::wheelScrollLines();
    const int last = kLarge - frmDomains::kRows;
    QTest::newRow("down over a row") << "dom(5)" << 0 << 1 << lines;
    QTest::newRow("two notches") << "dom(0)" << 0 << 2 << 2 * lines;
    QTest::newRow("up over a row") << "dom(13)" << 100 << -1 << 100 - lines;
    QTest::newRow("over the frame") << "Frame1" << 40 << 1 << 40 + lines;
    QTest::newRow("up at the top") << "dom(2)" << 0 << -1 << 0;
    QTest::newRow("down at the end") << "dom(2)" << last << 1 << last;
}

void TestFrmDomains::wheelOverTheRows() {
    QFETCH(QString, over);
    QFETCH(int, from);
    QFETCH(int, notches);
    QFETCH(int, to);

    TestApp app;
    storeUserSelection(app, kLarge);
    frmDomains dialog(app.state);
    dialog.show();
    scrollBar(&dialog)->setValue(from);
    QWidget* target = child(&dialog, over);
    const QPointF at(target->width() / 2, target->height() / 2);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    QCOMPARE(scrollBar(&dialog)->value(), to);
    QCOMPARE(visibleCaptions(&dialog), captions(to, to + frmDomains::kRows - 1));
}

// A click in the scroll bar's track moves a page, the rows shown.
void TestFrmDomains::trackPages_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("below"); // below the handle, else above it
    QTest::addColumn<int>("to");

    QTest::newRow("below the handle") << 0 << true << 14;
    QTest::newRow("above the handle") << 200 << false << 186;
    QTest::newRow("above, near the top") << 10 << false << 0;
    QTest::newRow("below, near the end") << 280 << true << kLarge - frmDomains::kRows;
}

void TestFrmDomains::trackPages() {
    QFETCH(int, from);
    QFETCH(bool, below);
    QFETCH(int, to);

    TestApp app;
    storeUserSelection(app, kLarge);
    frmDomains dialog(app.state);
    dialog.show();
    QScrollBar* bar = scrollBar(&dialog);
    QCOMPARE(bar->singleStep(), 1);
    QCOMPARE(bar->pageStep(), frmDomains::kRows);
    bar->setValue(from);

    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.subControls = QStyle::SC_All;
    const QRect track = bar->style()->subControlRect(
        QStyle::CC_ScrollBar, &option,
        below ? QStyle::SC_ScrollBarAddPage : QStyle::SC_ScrollBarSubPage, bar);
    QVERIFY(!track.isEmpty());
    QTest::mouseClick(bar, Qt::LeftButton, {}, track.center());
    QCOMPARE(bar->value(), to);
    QCOMPARE(visibleCaptions(&dialog), captions(to, to + frmDomains::kRows - 1));
}

// With a row focused, the paging keys, Home and End, and the arrow keys at the first or last row
// move through the whole list and focus the row showing the entry they reach.
void TestFrmDomains::keysMoveThroughTheList_data() {
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("focused"); // row
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("entry");    // focused afterwards
    QTest::addColumn<int>("topAfter"); // first entry shown afterwards

    const int lastTop = kLarge - frmDomains::kRows;
    const int last = kLarge - 1;
    QTest::newRow("page down") << 0 << 0 << Qt::Key_PageDown << 14 << 14;
    QTest::newRow("page down keeps the row") << 20 << 5 << Qt::Key_PageDown << 39 << 34;
    QTest::newRow("page down near the end")
        << lastTop - 3 << 13 << Qt::Key_PageDown << last << lastTop;
    QTest::newRow("page up") << 100 << 2 << Qt::Key_PageUp << 88 << 86;
    QTest::newRow("page up near the top") << 5 << 2 << Qt::Key_PageUp << 0 << 0;
    QTest::newRow("home") << 100 << 6 << Qt::Key_Home << 0 << 0;
    QTest::newRow("end") << 0 << 0 << Qt::Key_End << last << lastTop;
    QTest::newRow("down at the last row") << 0 << 13 << Qt::Key_Down << 14 << 1;
    QTest::newRow("right at the last row") << 50 << 13 << Qt::Key_Right << 64 << 51;
    QTest::newRow("up at the first row") << 10 << 0 << Qt::Key_Up << 9 << 9;
    QTest::newRow("left at the first row") << 10 << 0 << Qt::Key_Left << 9 << 9;
    QTest::newRow("down within the rows") << 30 << 4 << Qt::Key_Down << 35 << 30;
    QTest::newRow("up at the first entry") << 0 << 0 << Qt::Key_Up << 0 << 0;
    QTest::newRow("down at the last entry") << lastTop << 13 << Qt::Key_Down << last << lastTop;
}

void TestFrmDomains::keysMoveThroughTheList() {
    QFETCH(int, top);
    QFETCH(int, focused);
    QFETCH(Qt::Key, key);
    QFETCH(int, entry);
    QFETCH(int, topAfter);

    TestApp app;
    storeUserSelection(app, kLarge);
    frmDomains dialog(app.state);
    QVERIFY(showActive(dialog));
    scrollBar(&dialog)->setValue(top);
    row(&dialog, focused)->setFocus();
    press(dialog, key);
    QCOMPARE(scrollBar(&dialog)->value(), topAfter);
    QCOMPARE(QApplication::focusWidget(), row(&dialog, entry - topAfter));
    QCOMPARE(row(&dialog, entry - topAfter)->text(), captions(entry, entry).front());
    QCOMPARE(flags(app.state.catalogue), std::vector<int>(kLarge, 0)); // moving ticks nothing
}

// Letters typed over the rows bring the first entry whose TLD begins with them into view and
// focus its box.
void TestFrmDomains::typeAhead_data() {
    QTest::addColumn<int>("top");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("topAfter");
    QTest::addColumn<QString>("focused"); // the caption; empty: nothing moves

    QTest::newRow("one letter") << 0 << "u" << 27 << "us - Entry 40";
    QTest::newRow("letters add up") << 0 << "uk" << 137 << "uk - Entry 150";
    QTest::newRow("capitals") << 0 << "UK" << 137 << "uk - Entry 150";
    QTest::newRow("with a leading dot") << 0 << ".uk" << 137 << "uk - Entry 150";
    QTest::newRow("back towards the top") << 250 << "us" << 40 << "us - Entry 40";
    QTest::newRow("digits") << 0 << "t29" << 16 << "t29 - Entry 29";
    QTest::newRow("longer match later on") << 0 << "t299" << 286 << "t299 - Entry 299";
    QTest::newRow("already in view") << 20 << "zw" << 20 << "zw - Entry 30";
    QTest::newRow("no match") << 60 << "q" << 60 << "";
    QTest::newRow("no match after a match") << 0 << "ux" << 27 << "us - Entry 40";
}

void TestFrmDomains::typeAhead() {
    QFETCH(int, top);
    QFETCH(QString, typed);
    QFETCH(int, topAfter);
    QFETCH(QString, focused);

    TestApp app;
    storeUserSelection(app, kLarge, [](TldCatalogue& c) {
        c[40].tld = QStringLiteral("us");
        c[150].tld = QStringLiteral("uk");
        c[200].tld = QStringLiteral("ua");
        c[30].tld = QStringLiteral("zw");
    });
    frmDomains dialog(app.state);
    QVERIFY(showActive(dialog));
    scrollBar(&dialog)->setValue(top);
    row(&dialog, 0)->setFocus();
    const QString before = row(&dialog, 0)->text();
    for (const QChar c : typed)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());

    auto* focus = qobject_cast<QCheckBox*>(QApplication::focusWidget());
    QVERIFY(focus && focus->parentWidget() == child(&dialog, "Frame1"));
    QCOMPARE(focus->text(), focused.isEmpty() ? before : focused);
    QCOMPARE(scrollBar(&dialog)->value(), topAfter);
    QCOMPARE(CountSelected(app.state.catalogue), 0); // typing ticks nothing
}

// With the default list the buttons under the hidden frame are out of the Tab order: Tab, Tab,
// Tab, Space once ticked every entry unseen.
void TestFrmDomains::hiddenButtonsTakeNoFocus_data() {
    QTest::addColumn<bool>("user");
    QTest::newRow("default list") << false;
    QTest::newRow("personal selection") << true;
}

void TestFrmDomains::hiddenButtonsTakeNoFocus() {
    QFETCH(bool, user);

    TestApp app;
    fillCatalogue(app, kLarge);
    app.state.searchSet = user ? SearchSet::Selection : SearchSet::DefaultList;
    frmDomains dialog(app.state);
    QVERIFY(showActive(dialog));

    // Every Tab stop once round.
    QSet<QWidget*> stops;
    for (int i = 0; i < 40; ++i) {
        press(dialog, Qt::Key_Tab);
        stops.insert(QApplication::focusWidget());
    }
    for (const char* name : {"butSelAll", "butClearAll"}) {
        QWidget* button = child(&dialog, name);
        QCOMPARE(stops.contains(button), user);
        QCOMPARE(button->isVisible(), user);
    }
    QVERIFY(stops.contains(child(&dialog, "butOK")));
    QCOMPARE(stops.contains(row(&dialog, 0)), user);

    if (!user) {
        // What the user did: three Tabs from the first focus, then Space.
        dialog.hide();
        frmDomains again(app.state);
        QVERIFY(showActive(again));
        for (int i = 0; i < 3; ++i)
            press(again, Qt::Key_Tab);
        press(again, Qt::Key_Space);
        QCOMPARE(CountSelected(app.state.catalogue), 0);
    }
}

// OK with the personal selection and nothing it would check says so and keeps the dialog open;
// nothing is stored until a domain is ticked.
void TestFrmDomains::emptySelectionRefused_data() {
    QTest::addColumn<bool>("user");
    QTest::addColumn<int>("flag"); // of entry 3 as stored
    QTest::addColumn<bool>("clearAll");
    QTest::addColumn<bool>("refused");

    QTest::newRow("nothing ticked") << true << 0 << false << true;
    QTest::newRow("only a flag that is no tick") << true << 2 << false << true;
    QTest::newRow("all cleared") << true << 1 << true << true;
    QTest::newRow("one ticked") << true << 1 << false << false;
    QTest::newRow("default list") << false << 0 << false << false;
}

void TestFrmDomains::emptySelectionRefused() {
    QFETCH(bool, user);
    QFETCH(int, flag);
    QFETCH(bool, clearAll);
    QFETCH(bool, refused);

    TestApp app;
    storeUserSelection(app, kLarge, [flag](TldCatalogue& c) { c[3].selected = quint8(flag); });
    writeUseUserDomains(*app.store, !user);
    app.state.searchSet = user ? SearchSet::DefaultList : SearchSet::Selection;
    const std::vector<int> saved = flags(app.state.catalogue);

    frmDomains dialog(app.state);
    dialog.show();
    click(&dialog, user ? "userdomains" : "defaultdomains");
    if (clearAll)
        click(&dialog, "butClearAll");
    click(&dialog, "butOK");

    if (!refused) {
        QVERIFY(app.messages.texts().isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(readUseUserDomains(*app.loadFromDisk()), user);
        return;
    }
    QCOMPARE(app.messages.texts(),
             QStringList{"Choose at least one domain ending, or use the built-in list."});
    QVERIFY(dialog.isVisible());
    QCOMPARE(app.state.searchSet, SearchSet::DefaultList);
    QVERIFY(!readUseUserDomains(*app.loadFromDisk()));
    QCOMPARE(storedFlags(app), saved);

    // With a domain ticked, OK goes through.
    click(&dialog, "dom(7)");
    click(&dialog, "butOK");
    QCOMPARE(app.messages.texts().size(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(app.state.searchSet, SearchSet::Selection);
    QVERIFY(readUseUserDomains(*app.loadFromDisk()));
    QCOMPARE(storedFlags(app)[7], 1);
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
    app.state.catalogue[2].selected = 1; // a personal selection is never empty
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
    storeUserSelection(app, 20, [](TldCatalogue& c) {
        c[1].selected = 2;
        c[5].selected = 1; // so that OK takes the selection
    });

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
