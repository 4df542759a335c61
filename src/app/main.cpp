#include "names/frm_main.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nomispot::AppState state;
    nomispot::frmMain window(state);
    window.show();
    return app.exec();
}
