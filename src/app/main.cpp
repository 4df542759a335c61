#include "app_dirs.h"
#include "app_icon.h"
#include "app_info.h"
#include "engine/self_test_cache.h"
#include "message_box_service.h"
#include "names/frm_main.h"
#include "names/main_menu.h"
#include "names/startup.h"
#include "run/registries.h"
#include "settings/settings_store.h"
#include "zone/zone_index.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nomispot"));
    QApplication::setOrganizationName(QStringLiteral("Nomispot"));
    // The desktop entry, and so the icon the desktop shows for the window.
    QApplication::setDesktopFileName(QStringLiteral(NOMISPOT_APP_ID));
    QApplication::setWindowIcon(nomispot::appIcon());

    nomispot::MessageBoxService messages;
    nomispot::DesktopShellOpener shell;
    nomispot::SettingsStore store;
    store.setWriteFailureHandler([&messages](const QString& path) {
        messages.show({nomispot::appTitle(), nomispot::settingsWriteFailureMessage(path),
                       nomispot::MessageIcon::Critical});
    });

    auto state = std::make_unique<nomispot::AppState>();
    state->dataDir = nomispot::appDataDir(QCoreApplication::applicationDirPath());
    state->selfTestCachePath = nomispot::SelfTestCache::defaultPath();
    state->zoneIndexDir = nomispot::defaultZoneIndexDir();
    // One for the program's life: the registries' pacing and rests hold across its windows.
    nomispot::Registries registries(state->dataDir);
    state->registries = &registries;
    state->store = &store;
    state->messages = &messages;
    state->shell = &shell;

    nomispot::frmMain window(*state);
    nomispot::installMainMenu(window, *state);
    if (!nomispot::StartUp(window, *state))
        return 1;

    // For the start-up benchmark: say when the window is up, then end.
    if (qEnvironmentVariableIsSet("NOMISPOT_EXIT_WHEN_SHOWN")) {
        QTimer::singleShot(0, &app, [] {
            std::puts("shown");
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    return QApplication::exec();
}
