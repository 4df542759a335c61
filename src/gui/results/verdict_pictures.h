#pragma once

#include <QImage>
#include <QPainterPath>
#include <QPen>

namespace nomispot {

// The results window's pictures, drawn: a green check (free), a red cross (taken) and a blue
// question mark (not checked), 20 by 17 pixels. The check is also the window icon.
QImage checkPicture();
QImage crossPicture();
QImage questionPicture();
// Free, and confirmed by the registry: the check in a ring.
QImage confirmedPicture();
// Not registrable, whatever the DNS says: a grey ring barred across, the sign for "not allowed".
QImage barredPicture();

// The check's stroke in the pictures' frame, and its pen: the program's icon is drawn from them.
QPainterPath checkStroke();
QPen checkPen();

} // namespace nomispot
