// The floor for the start-up benchmark: a Qt Widgets program that shows one empty main window.
// With --text the window holds one empty line edit, which like any text needs the font
// database. With NOMISPOT_EXIT_WHEN_SHOWN set it prints "shown" once the window is up and ends,
// as the program does.

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    if (QCoreApplication::arguments().contains(QStringLiteral("--text")))
        window.setCentralWidget(new QLineEdit(&window));
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
