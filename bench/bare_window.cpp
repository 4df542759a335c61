// The floor for the start-up benchmark: a Qt Widgets program that shows one empty main window.
// With NOMISPOT_EXIT_WHEN_SHOWN set it prints "shown" once the window is up and ends, as the
// program does.

#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.show();
    if (qEnvironmentVariableIsSet("NOMISPOT_EXIT_WHEN_SHOWN")) {
        QTimer::singleShot(0, &app, [] {
            std::puts("shown");
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    return QApplication::exec();
}
