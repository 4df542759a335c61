// Every control a keyboard reaches has a name a screen reader can say.
#include "catalogue/frm_domains.h"
#include "help/frm_about.h"
#include "names/frm_main.h"
#include "names/main_menu.h"
#include "results/frm_results.h"
#include "settings/frm_options.h"
#include "settings/frm_options_first.h"
#include "test_app.h"

#include <QAccessible>
#include <QLineEdit>
#include <QTest>

using namespace nomispot;

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasAName();
};

void TestAccessibility::everyControlHasAName() {
    test::TestApp app;
    app.state.dns = {QStringLiteral("127.0.0.1"), 1000, 1};
    app.state.catalogue = test::makeCatalogue({"com;C;s;", "uk;U;s;co"});
    frmMain main(app.state);
    installMainMenu(main, app.state);
    main.show();
    QTest::keyClicks(main.findChild<QLineEdit*>(QStringLiteral("names")), QStringLiteral("foo"));
    main.activate_Click();
    QVERIFY(main.results());
    frmDomains domains(app.state);
    frmOptions options(app.state);
    frmOptionsFirst wizard(app.state);
    frmAbout about(app.state);
    const QList<QWidget*> windows{&main, main.results(), &domains, &options, &wizard, &about};
    for (QWidget* window : windows) {
        window->show();
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus))
                continue;
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(control && !control->text(QAccessible::Name).isEmpty(),
                     qPrintable(window->objectName() + u' ' + w->objectName()));
        }
    }
    main.results()->close();
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
