// Draws the results window's pictures into PNG files: nomispot-draw-pictures OUTPUT_DIR.
// Run by hand when a picture changes; the PNGs are committed under data/pictures.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage check() {
    QImage image = canvas(20, 17);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1e, 0x9e, 0x3a), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path;
    path.moveTo(4, 9);
    path.lineTo(8.5, 13.5);
    path.lineTo(16, 3.5);
    p.drawPath(path);
    return image;
}

QImage cross() {
    QImage image = canvas(20, 17);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xd0, 0x21, 0x21), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 3), QPointF(15, 14));
    p.drawLine(QPointF(15, 3), QPointF(5, 14));
    return image;
}

QImage question() {
    QImage image = canvas(20, 17);
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

QImage logo() {
    QImage image = canvas(201, 60);
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
    p.drawText(QRectF(56, 0, 140, 60), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Nomispot"));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool ok = check().save(out.filePath(QStringLiteral("check.png"))) &&
                    cross().save(out.filePath(QStringLiteral("cross.png"))) &&
                    question().save(out.filePath(QStringLiteral("question.png"))) &&
                    logo().save(out.filePath(QStringLiteral("logo.png")));
    return ok ? 0 : 1;
}
