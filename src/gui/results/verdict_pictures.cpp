#include "results/verdict_pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace nomispot {

namespace {

QImage canvas() {
    QImage image(20, 17, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QPainterPath checkStroke() {
    QPainterPath path;
    path.moveTo(4, 9);
    path.lineTo(8.5, 13.5);
    path.lineTo(16, 3.5);
    return path;
}

QPen checkPen() {
    return QPen(QColor(0x1e, 0x9e, 0x3a), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QImage checkPicture() {
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(checkPen());
    p.drawPath(checkStroke());
    return image;
}

QImage crossPicture() {
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xd0, 0x21, 0x21), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 3), QPointF(15, 14));
    p.drawLine(QPointF(15, 3), QPointF(5, 14));
    return image;
}

QImage questionPicture() {
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1f, 0x5f, 0xd0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path;
    path.moveTo(6.5, 5.5);
    path.cubicTo(6.5, 1.5, 13.5, 1.5, 13.5, 5.5);
    path.cubicTo(13.5, 8, 10, 8, 10, 11);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0xd0));
    p.drawEllipse(QPointF(10, 14.6), 1.6, 1.6);
    return image;
}

QImage confirmedPicture() {
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen = checkPen();
    const QPointF centre(10, 8.5);
    // A seal: the check in white on a disc of its green, stronger than the plain check.
    p.setPen(Qt::NoPen);
    p.setBrush(pen.color());
    p.drawEllipse(centre, 8.2, 8.2);
    constexpr double kScale = 0.66;
    p.translate(centre);
    p.scale(kScale, kScale);
    p.translate(-centre);
    pen.setColor(Qt::white);
    pen.setWidthF(2.6 / kScale);
    p.setPen(pen);
    p.drawPath(checkStroke());
    return image;
}

QImage barredPicture() {
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Grey: neither the free green nor the taken red.
    p.setPen(QPen(QColor(0x6b, 0x6b, 0x6b), 2.4, Qt::SolidLine, Qt::FlatCap));
    const QPointF centre(10, 8.5);
    constexpr double kRadius = 6.6;
    p.drawEllipse(centre, kRadius, kRadius);
    const double d = kRadius * 0.7071;
    p.drawLine(centre + QPointF(-d, -d), centre + QPointF(d, d));
    return image;
}

} // namespace nomispot
