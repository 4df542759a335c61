#pragma once

#include <QIcon>
#include <QImage>
#include <QRectF>
#include <array>

namespace nomispot {

// The program's icon is the results window's green check, centred on a square: the window icon
// and the installed icon files (tools/make_icons.cpp) are drawn by the same code.

// The square around the check, in the check's own coordinates.
QRectF appIconFrame();

// The icon drawn on a transparent square of size by size pixels.
QImage appIconPicture(int size);

// The sizes of the installed PNG icons.
inline constexpr std::array kAppIconSizes{16, 22, 24, 32, 48, 64, 128, 256, 512};

// The window icon, in the sizes a window shows.
QIcon appIcon();

} // namespace nomispot
