#pragma once

#include <QWidget>

#include <cmath>

namespace nomispot {

// Layouts are given in twips (1440 to the inch); pixels follow the screen's logical DPI.
inline int twipsToPixels(double twips, const QWidget* widget) {
    return static_cast<int>(std::lround(twips * widget->logicalDpiX() / 1440.0));
}
inline int twipsToPixelsY(double twips, const QWidget* widget) {
    return static_cast<int>(std::lround(twips * widget->logicalDpiY() / 1440.0));
}
inline double pixelsToTwips(double pixels, const QWidget* widget) {
    return pixels * 1440.0 / widget->logicalDpiX();
}
inline double pixelsToTwipsY(double pixels, const QWidget* widget) {
    return pixels * 1440.0 / widget->logicalDpiY();
}
// Places widget at a rectangle given in twips.
inline void placeInTwips(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(twipsToPixels(left, widget), twipsToPixelsY(top, widget),
                        twipsToPixels(width, widget), twipsToPixelsY(height, widget));
}

} // namespace nomispot
