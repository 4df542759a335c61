#pragma once

#include <QList>

namespace nomispot {

// Arithmetic of the results window, all in twips.
inline constexpr double kRowHeight = 300;

// Width of a result column: its header's text width + 200, rounded.
int GetColwidth(double headerTextWidth);

struct GridLayout {
    QList<int> columnWidths; // index 0 is the names column
    double contentWidth = 0;
    double contentHeight = 0;
};

// Column widths and the size the grid's content needs.
GridLayout LayoutGrid(const QList<double>& headerTextWidths, const QList<double>& nameTextWidths);

struct WindowLimits {
    double maxWidth = 0;
    double maxHeight = 0;
};

// The window as large as its content, within 0.9 of the screen, never narrower than 2500.
WindowLimits ComputeWindowLimits(double contentWidth, double contentHeight, double screenWidth,
                                 double screenHeight);

struct Rect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

enum class WindowState { Normal, Minimised, Maximised };

struct ResizePlan {
    bool act = false; // false: minimised, nothing is done
    double width = 0; // the window's outer size
    double height = 0;
    bool placeControls = false;
    Rect progressBar;
    Rect cancelButton;
    Rect grid;
};

// What a change of the window's outer size leads to: the controls follow whatever size the user or
// the window system gives, maximised included; the content size only sets the size it opens at.
ResizePlan Form_Resize(double width, double height, WindowState state);

} // namespace nomispot
