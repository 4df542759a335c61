#include "help/about_pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace nomispot {

namespace {

void drawGlobe(QPainter& p, const QRectF& r) {
    const double line = std::max(1.0, r.width() / 32.0);
    QRadialGradient sea(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() * 0.7);
    sea.setColorAt(0, QColor(0x9c, 0xd2, 0xff));
    sea.setColorAt(1, QColor(0x1f, 0x6f, 0xc8));
    p.setBrush(sea);
    p.setPen(QPen(Qt::white, line));
    p.drawEllipse(r);

    p.setBrush(Qt::NoBrush);
    const QPointF c = r.center();
    const double radius = r.width() / 2;
    p.drawEllipse(r.adjusted(r.width() * 0.28, 0, -r.width() * 0.28, 0));
    p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
    // The equator and two parallels, each as wide as the globe at its height.
    for (double at : {-0.5, 0.0, 0.5}) {
        const double half = radius * std::sqrt(1.0 - at * at);
        const double y = c.y() + at * radius;
        p.drawLine(QPointF(c.x() - half, y), QPointF(c.x() + half, y));
    }
}

void drawCheck(QPainter& p, const QRectF& r) {
    QPainterPath tick;
    tick.moveTo(r.left(), r.top() + r.height() * 0.55);
    tick.lineTo(r.left() + r.width() * 0.35, r.bottom());
    tick.lineTo(r.right(), r.top());
    const double width = r.width() / 4.5;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x0c, 0x4a, 0x0c), width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(QColor(0x3c, 0xd0, 0x3c), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
}

} // namespace

QPixmap aboutPicture() {
    QPixmap pixmap(137, 72);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient panel(0, 0, 0, 72);
    panel.setColorAt(0, QColor(0x2a, 0x5c, 0xaa));
    panel.setColorAt(1, QColor(0x10, 0x2a, 0x58));
    p.setBrush(panel);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.5, 0.5, 136, 71), 8, 8);

    drawGlobe(p, QRectF(9, 10, 52, 52));
    drawCheck(p, QRectF(36, 30, 30, 26));

    QFont font;
    font.setBold(true);
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(70, 6, 62, 60), Qt::AlignCenter, QStringLiteral(".com\n.net\n.org"));
    return pixmap;
}

QPixmap programIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    drawGlobe(p, QRectF(s * 0.03, s * 0.03, s * 0.8, s * 0.8));
    drawCheck(p, QRectF(s * 0.42, s * 0.42, s * 0.5, s * 0.45));
    return pixmap;
}

} // namespace nomispot
