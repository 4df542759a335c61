#pragma once

#include <QSize>
#include <functional>

class QWidget;

namespace nomispot {

// The window manager's frame around window: its outer size less its own. Until the manager has
// framed it, the frame of its parent's window stands in (one manager, the same decorations), so
// that a window can be sized before it is shown.
QSize frameExtents(const QWidget* window);

// Calls framed once the window manager has framed the shown window, or after a second when no
// frame comes (offscreen, or no manager): Qt gives no event when a frame appears.
void whenFramed(QWidget* window, std::function<void()> framed);

} // namespace nomispot
