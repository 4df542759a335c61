// Draws the results window's pictures into PNG files: nomispot-draw-pictures OUTPUT_DIR.
// Run by hand when a picture changes; the PNGs are committed under data/pictures.
#include "results/verdict_pictures.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace {

QImage logo() {
    QImage image(201, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 60);
    sky.setColorAt(0, QColor(0x2b, 0x6c, 0xd8));
    sky.setColorAt(1, QColor(0x14, 0x3c, 0x8c));
    p.setBrush(sky);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.5, 0.5, 200, 59), 8, 8);
    // A magnifier over a dot: looking for a free spot.
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(28, 26), 12, 12);
    p.drawLine(QPointF(37, 35), QPointF(46, 45));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7c, 0xe0, 0x8a));
    p.drawEllipse(QPointF(28, 26), 4.5, 4.5);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(56, 0, 140, 60), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Nomispot"));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool ok =
        nomispot::checkPicture().save(out.filePath(QStringLiteral("check.png"))) &&
        nomispot::crossPicture().save(out.filePath(QStringLiteral("cross.png"))) &&
        nomispot::questionPicture().save(out.filePath(QStringLiteral("question.png"))) &&
        logo().save(out.filePath(QStringLiteral("logo.png")));
    return ok ? 0 : 1;
}
