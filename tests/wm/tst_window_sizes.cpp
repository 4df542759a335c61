// Window sizes and placement under a real window manager (Xvfb with openbox), where frames and
// late resize notices exist; offscreen has neither. Run by tests/wm/run_under_openbox.sh.
#include "catalogue/frm_domains.h"
#include "message_box_service.h"
#include "names/frm_main.h"
#include "names/main_menu.h"
#include "names/startup.h"
#include "results/frm_results.h"
#include "settings/frm_options.h"
#include "settings/frm_options_first.h"
#include "test_app.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace nomispot;

namespace {

// The window manager has put its frame around the window.
bool isFramed(const QWidget* window) {
    return window->frameGeometry().size() != window->size();
}

// Runs look on the modal window once it is up and framed, every 50 ms until look says it is done;
// then, or after 5 s, closes it.
void whenModalFramed(QObject* context, const std::function<bool(QWidget*)>& look) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, look, waited = 0]() mutable {
        waited += 50;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        // Closed after 5 s whatever it looks like, so that a failure never hangs the test.
        if (waited < 5000 && (!isFramed(modal) || !look(modal)))
            return;
        look(modal);
        poll->deleteLater();
        modal->close();
    });
    poll->start(50);
}

} // namespace

class TestWindowSizes : public QObject {
    Q_OBJECT
private slots:
    void resultsWindowAtContentSize();
    void resultsWindowFollowsTheUser();
    void domainDialogHeight_data();
    void domainDialogHeight();
    void mainWindowClientArea();
    void dnsOptionsBesideTheMainWindow();
    void wizardInTheMiddle();
    void messageWideEnoughForItsTitle();
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
        QTRY_VERIFY_WITH_TIMEOUT(isFramed(results), 10000);
        QTest::qWait(200); // late notices from the window manager
        const WindowLimits limits = *results->limits();
        const QSize content(twipsToPixels(limits.maxWidth, results),
                            twipsToPixelsY(limits.maxHeight, results));
        const auto atContentSize = [&] {
            const QSize outer = results->frameGeometry().size();
            return qAbs(outer.width() - content.width()) <= 1 &&
                   qAbs(outer.height() - content.height()) <= 1;
        };
        if (QTest::qWaitFor(atContentSize, 2000))
            ++right;
        results->close();
        QTRY_VERIFY(!results);
    }
    QCOMPARE(right, 20);
}

// The results window opens beside the main window, shows its last column beside the vertical
// scroll bar, and its grid fills the window when maximised.
void TestWindowSizes::resultsWindowFollowsTheUser() {
    test::TestApp app;
    app.state.dns = {QStringLiteral("127.0.0.1"), 1000, 1};
    frmMain window(app.state);
    window.move(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList names;
    for (int i = 0; i < 80; ++i)
        names << QStringLiteral("name%1").arg(i);
    window.findChild<QLineEdit*>(QStringLiteral("names"))->setText(names.join(u' '));
    window.activate_Click();
    QPointer<frmResults> results = window.results();
    QVERIFY(results);
    QVERIFY(QTest::qWaitForWindowExposed(results));
    QTRY_VERIFY_WITH_TIMEOUT(isFramed(results), 10000);
    QTest::qWait(200);
    const auto besideMain = [&] {
        const QPoint offset = results->frameGeometry().topLeft() - window.frameGeometry().topLeft();
        return offset.manhattanLength() < 200;
    };
    QTRY_VERIFY_WITH_TIMEOUT(besideMain(), 10000);

    auto* grid = results->findChild<QTableView*>();
    QVERIFY(grid->verticalScrollBar()->isVisible());
    int columns = 0;
    for (int c = 0; c < results->colCount(); ++c)
        columns += grid->columnWidth(c);
    QVERIFY2(grid->viewport()->width() >= columns,
             qPrintable(QStringLiteral("%1 < %2").arg(grid->viewport()->width()).arg(columns)));

    results->showMaximized();
    const QRect screen = results->screen()->availableGeometry();
    QTRY_VERIFY_WITH_TIMEOUT(results->width() > screen.width() * 9 / 10, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(grid->width() > screen.width() * 8 / 10, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(grid->height() > screen.height() * 6 / 10, 10000);
    results->close();
    QTRY_VERIFY(!results);
}

void TestWindowSizes::domainDialogHeight_data() {
    QTest::addColumn<bool>("user");
    QTest::addColumn<int>("height"); // outer, in twips
    QTest::newRow("default list") << false << 1400;
    QTest::newRow("personal selection") << true << 5985;
}

// The domain dialog has its designed outer height from its first showing on.
void TestWindowSizes::domainDialogHeight() {
    QFETCH(bool, user);
    QFETCH(int, height);
    test::TestApp app;
    app.state.searchSet = user ? SearchSet::Selection : SearchSet::DefaultList;
    frmMain window(app.state);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    frmDomains dialog(app.state, &window);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_VERIFY_WITH_TIMEOUT(isFramed(&dialog), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(dialog.frameGeometry().height(), twipsToPixelsY(height, &dialog),
                              2000);
}

// The main window's client area below the menu is as designed: no empty band.
void TestWindowSizes::mainWindowClientArea() {
    test::TestApp app;
    frmMain window(app.state);
    installMainMenu(window, app.state);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(isFramed(&window), 10000);
    QVERIFY(window.menuWidget());
    QTRY_COMPARE_WITH_TIMEOUT(window.height() - window.menuWidget()->height(),
                              twipsToPixelsY(675, &window), 2000);
}

// DNS Settings opens beside the small main window, hiding nothing of it.
void TestWindowSizes::dnsOptionsBesideTheMainWindow() {
    test::TestApp app;
    frmMain window(app.state);
    installMainMenu(window, app.state);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QAction*>(QStringLiteral("mnuServer"))->trigger();
    auto* options = window.findChild<frmOptions*>();
    QVERIFY(options);
    QVERIFY(QTest::qWaitForWindowExposed(options));
    QTRY_VERIFY_WITH_TIMEOUT(isFramed(options), 10000);
    QTest::qWait(200);
    QVERIFY(!options->frameGeometry().intersects(window.frameGeometry()));
    QVERIFY(window.screen()->availableGeometry().contains(options->frameGeometry()));
}

// The first-run wizard, shown before the main window, opens in the middle of the screen.
void TestWindowSizes::wizardInTheMiddle() {
    test::TestApp app;
    frmMain window(app.state);
    QPoint offCentre;
    whenModalFramed(&window, [&offCentre](QWidget* wizard) {
        offCentre =
            wizard->frameGeometry().center() - wizard->screen()->availableGeometry().center();
        return offCentre.manhattanLength() <= 4;
    });
    QVERIFY(StartUp(window, app.state));
    QVERIFY2(offCentre.manhattanLength() <= 4,
             qPrintable(QString::number(offCentre.x()) + u',' + QString::number(offCentre.y())));
}

// A message box is wide enough that the window manager shows its whole title.
void TestWindowSizes::messageWideEnoughForItsTitle() {
    const QString title = QStringLiteral("Nomispot - Illegal characters used in what you typed");
    int width = 0;
    QObject context;
    whenModalFramed(&context, [&width](QWidget* box) {
        width = box->width();
        return true;
    });
    MessageBoxService().show({title, QStringLiteral("Short."), MessageIcon::None});
    QVERIFY(width > QFontMetrics(QApplication::font()).horizontalAdvance(title));
}

QTEST_MAIN(TestWindowSizes)
#include "tst_window_sizes.moc"
