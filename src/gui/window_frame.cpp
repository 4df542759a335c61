#include "window_frame.h"

#include <QTimer>
#include <QWidget>

namespace nomispot {

QSize frameExtents(const QWidget* window) {
    const QSize frame = window->frameGeometry().size() - window->size();
    if (!frame.isNull() || !window->parentWidget())
        return frame;
    const QWidget* parent = window->parentWidget()->window();
    return parent->frameGeometry().size() - parent->size();
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
