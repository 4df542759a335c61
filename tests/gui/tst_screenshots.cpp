// Renders every window into PNG files under the build directory (screenshots/), so anyone can
// look at them. Nothing is compared.
#include "catalogue/catalogue_file.h"
#include "catalogue/frm_domains.h"
#include "help/frm_about.h"
#include "help/help_window.h"
#include "names/frm_main.h"
#include "names/main_menu.h"
#include "nsd_server.h"
#include "results/frm_results.h"
#include "settings/frm_options.h"
#include "settings/frm_options_first.h"
#include "settings/settings_ops.h"
#include "test_app.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace nomispot;

class TestScreenshots : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void windows();

private:
    void save(QWidget* window, const QString& name);
    QDir m_out;
};

void TestScreenshots::initTestCase() {
    m_out = QDir(test::binDir() + QStringLiteral("/../screenshots"));
    QVERIFY(m_out.mkpath(QStringLiteral(".")));
}

void TestScreenshots::save(QWidget* window, const QString& name) {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    QVERIFY(window->grab().save(m_out.filePath(name + QStringLiteral(".png"))));
}

void TestScreenshots::windows() {
    NOMISPOT_START_NSD(nsd, QStringLiteral("127.53.0.8"), test::NsdServer::standardZones());
    test::TestApp app;
    const Result<LoadedCatalogue> loaded = LoadCatalogue(catalogueFilePath(test::binDir()));
    QVERIFY(loaded);
    app.state.catalogue = loaded->catalogue;
    app.state.dns = {QStringLiteral("127.53.0.8"), 2, 1};

    frmMain main(app.state);
    installMainMenu(main, app.state);
    QTest::keyClicks(main.findChild<QLineEdit*>("names"), "taken free Taken2");
    save(&main, "main");

    QTest::mouseClick(main.findChild<QPushButton*>("activate"), Qt::LeftButton);
    QPointer<frmResults> results = main.results();
    QTRY_COMPARE_WITH_TIMEOUT(results->stage(), frmResults::Stage::Finished, 20000);
    save(results, "results");
    results->close();

    {
        frmDomains domains(app.state);
        save(&domains, "domains-default");
    }
    {
        app.state.searchSet = SearchSet::Selection;
        for (int i = 0; i < 6; ++i)
            app.state.catalogue[i * 2].selected = 1;
        frmDomains domains(app.state);
        save(&domains, "domains-personal");
    }
    {
        frmOptions options(app.state);
        save(&options, "dns-options");
    }
    {
        frmOptionsFirst wizard(app.state);
        save(&wizard, "dns-options-first");
    }
    {
        frmAbout about(app.state);
        save(&about, "about");
    }
    HelpWindow* help = ShowHelp(app.state.dataDir, 1, QStringLiteral("Main"));
    QVERIFY(help);
    help->resize(900, 650);
    save(help, "help");
    help->close();
    qInfo("screenshots in %s", qPrintable(QDir::cleanPath(m_out.absolutePath())));
}

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
