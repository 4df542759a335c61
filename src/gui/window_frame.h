#pragma once

#include <QSize>
#include <functional>

class QWidget;

namespace nomispot {

// The window manager's frame around window: its outer size less its own. Until the manager has
// framed it, the frame of its parent's window stands in (one manager, the same decorations), so
// that a window can be sized before it is shown.
QSize frameExtents(const QWidget* window);

// Places a window that is not shown yet beside parent's window, on the side with room on the
// screen (right, left, below, above), so that it hides nothing of it; over parent's centre when
// no side has room.
void placeBeside(QWidget* window, const QWidget* parent);

// Places a window that is not shown yet in the middle of the screen.
void placeOnScreenCentre(QWidget* window);

// Calls framed once the window manager has framed the shown window, or after a second when no
// frame comes (offscreen, or no manager): Qt gives no event when a frame appears.
void whenFramed(QWidget* window, std::function<void()> framed);

} // namespace nomispot
