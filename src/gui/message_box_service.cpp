#include "message_box_service.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace nomispot {

void MessageBoxService::show(const Message& message) {
    QMessageBox box(message.icon == MessageIcon::Critical ? QMessageBox::Critical
                                                          : QMessageBox::NoIcon,
                    message.title, QString(message.text).replace(u'\r', u'\n'), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void DesktopShellOpener::open(const QString& target) {
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

} // namespace nomispot
