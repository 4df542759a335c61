#pragma once

#include <QImage>

namespace nomispot {

// The results window's pictures, drawn: a green check (free), a red cross (taken) and a blue
// question mark (not checked), 20 by 17 pixels. They are the source of data/pictures/*.png and
// the window icon, which is drawn so that start-up reads no picture file.
QImage checkPicture();
QImage crossPicture();
QImage questionPicture();

} // namespace nomispot
