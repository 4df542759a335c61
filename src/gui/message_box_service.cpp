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

QMessageBox::Icon boxIcon(MessageIcon icon) {
    return icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon;
}

// Runs a box for message; safe is the default button and what Esc or the frame's close answer.
// Returns the button pressed.
int execBox(QMessageBox::Icon icon, const Message& message, QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton safe) {
    QMessageBox box(icon, message.title, QString(message.text).replace(u'\r', u'\n'), buttons,
                    QApplication::activeWindow());
    // Texts repeat what users typed or files hold: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(safe);
    box.setEscapeButton(safe);
    // Wide enough for its title, which a window manager would cut short otherwise.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int title = QFontMetrics(QApplication::font()).horizontalAdvance(message.title);
        grid->addItem(new QSpacerItem(title + kTitleBarButtons, 0, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box.exec();
}

} // namespace

void MessageBoxService::show(const Message& message) {
    execBox(boxIcon(message.icon), message, QMessageBox::Ok, QMessageBox::Ok);
}

Answer MessageBoxService::ask(const Message& question) {
    const QMessageBox::Icon icon =
        question.icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Question;
    // No is the safe answer, so a stray Enter or Esc keeps everything.
    return execBox(icon, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
                   QMessageBox::Yes
               ? Answer::Yes
               : Answer::No;
}

void DesktopShellOpener::open(const QString& target) {
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

} // namespace nomispot
