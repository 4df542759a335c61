#include "results/grid_layout.h"

#include <algorithm>
#include <cmath>

namespace nomispot {

namespace {
// Whole numbers round half to even, as the rest of the program does.
int roundWhole(double v) {
    return static_cast<int>(std::nearbyint(v));
}
} // namespace

int GetColwidth(double headerTextWidth) {
    return roundWhole(headerTextWidth + 200);
}

GridLayout LayoutGrid(const QList<double>& headerTextWidths, const QList<double>& nameTextWidths) {
    GridLayout layout;
    layout.columnWidths.resize(headerTextWidths.size() + 1);
    double sum = 0;
    for (qsizetype j = 0; j < headerTextWidths.size(); ++j) {
        layout.columnWidths[j + 1] = GetColwidth(headerTextWidths[j]);
        sum += layout.columnWidths[j + 1];
    }
    int widest = 0;
    for (double w : nameTextWidths)
        if (w > widest)
            widest = roundWhole(w);
    layout.columnWidths[0] = widest + 250;
    layout.contentWidth = widest + sum + 50;
    layout.contentHeight = static_cast<double>(nameTextWidths.size() + 1) * 301;
    return layout;
}

WindowLimits ComputeWindowLimits(double contentWidth, double contentHeight, double screenWidth,
                                 double screenHeight) {
    WindowLimits l{contentWidth + 350, contentHeight + 1450};
    if (l.maxWidth > 0.9 * screenWidth)
        l.maxWidth = 0.9 * screenWidth;
    if (l.maxWidth < 2500)
        l.maxWidth = 2500;
    if (l.maxHeight > 0.9 * screenHeight)
        l.maxHeight = 0.9 * screenHeight;
    return l;
}

ResizePlan Form_Resize(double width, double height, WindowState state) {
    ResizePlan plan;
    if (state == WindowState::Minimised)
        return plan;
    plan.act = true;
    plan.width = width;
    plan.height = height;
    if (plan.height <= 1300 || plan.width <= 1700)
        return plan;
    plan.placeControls = true;
    plan.progressBar = {120, plan.height - 1100, plan.width - 1470, 375};
    plan.cancelButton = {plan.width - 1365, plan.height - 1100, 1215, 375};
    plan.grid = {0, 0, plan.width - 150, plan.height - 1170};
    return plan;
}

} // namespace nomispot
