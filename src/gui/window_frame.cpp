#include "window_frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace nomispot {

QSize frameExtents(const QWidget* window) {
    const QSize frame = window->frameGeometry().size() - window->size();
    if (!frame.isNull() || !window->parentWidget())
        return frame;
    const QWidget* parent = window->parentWidget()->window();
    return parent->frameGeometry().size() - parent->size();
}

namespace {

QRect availableScreen(const QWidget* widget) {
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

void placeBeside(QWidget* window, const QWidget* parent) {
    const QRect beside = parent->window()->frameGeometry();
    const QRect screen = availableScreen(parent);
    const QSize outer = window->size() + frameExtents(window);
    const int gap = 8;
    const int top = std::clamp(beside.top(), screen.top(), screen.bottom() - outer.height());
    const int left = std::clamp(beside.left(), screen.left(), screen.right() - outer.width());
    const QPoint candidates[] = {
        {beside.right() + gap, top},
        {beside.left() - gap - outer.width(), top},
        {left, beside.bottom() + gap},
        {left, beside.top() - gap - outer.height()},
    };
    for (const QPoint& at : candidates)
        if (screen.contains(QRect(at, outer))) {
            window->move(at);
            return;
        }
    window->move(beside.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

void placeOnScreenCentre(QWidget* window) {
    const QSize outer = window->size() + frameExtents(window);
    window->move(availableScreen(window).center() - QPoint(outer.width() / 2, outer.height() / 2));
}

void whenFramed(QWidget* window, std::function<void()> framed) {
    constexpr int kPollMs = 20;
    constexpr int kGiveUpMs = 1000;
    auto* poll = new QTimer(window);
    poll->setInterval(kPollMs);
    QObject::connect(poll, &QTimer::timeout, window,
                     [window, poll, framed = std::move(framed), waited = 0]() mutable {
                         waited += kPollMs;
                         const QSize frame = window->frameGeometry().size() - window->size();
                         if (frame.isNull() && waited < kGiveUpMs)
                             return;
                         poll->stop();
                         poll->deleteLater();
                         framed();
                     });
    poll->start();
}

} // namespace nomispot
