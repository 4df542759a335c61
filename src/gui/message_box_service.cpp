#include "message_box_service.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QUrl>

namespace nomispot {

namespace {
// Room the window manager's title bar takes besides the title: its buttons and margins.
constexpr int kTitleBarButtons = 140;
} // namespace

void MessageBoxService::show(const Message& message) {
    QMessageBox box(message.icon == MessageIcon::Critical ? QMessageBox::Critical
                                                          : QMessageBox::NoIcon,
                    message.title, QString(message.text).replace(u'\r', u'\n'), QMessageBox::Ok,
                    QApplication::activeWindow());
    // Wide enough for its title, which a window manager would cut short otherwise.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int title = QFontMetrics(QApplication::font()).horizontalAdvance(message.title);
        grid->addItem(new QSpacerItem(title + kTitleBarButtons, 0, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

void DesktopShellOpener::open(const QString& target) {
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

} // namespace nomispot
