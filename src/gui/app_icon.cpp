#include "app_icon.h"

#include "results/verdict_pictures.h"

#include <QPainter>
#include <QPixmap>

namespace nomispot {

QRectF appIconFrame() {
    // The pictures are 20 by 17: the check keeps its place across, and is centred down.
    return {0, -1.5, 20, 20};
}

QImage appIconPicture(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = appIconFrame();
    p.scale(size / frame.width(), size / frame.height());
    p.translate(-frame.topLeft());
    p.setPen(checkPen());
    p.drawPath(checkStroke());
    return image;
}

QIcon appIcon() {
    QIcon icon;
    // Only the small ones: every top-level window hands its icon to the window system in each
    // size (256 by 256 alone is 256 KiB); desktops show the large ones from the icon theme.
    for (int size : kAppIconSizes)
        if (size <= 64)
            icon.addPixmap(QPixmap::fromImage(appIconPicture(size)));
    return icon;
}

} // namespace nomispot
