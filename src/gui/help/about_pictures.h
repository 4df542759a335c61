#pragma once

#include <QPixmap>

namespace nomispot {

// The About box's picture, 137 by 72 pixels: a globe with a check mark and three TLDs.
QPixmap aboutPicture();

// The program's icon at size by size pixels: the globe with its check mark.
QPixmap programIconPixmap(int size);

} // namespace nomispot
