// The results window's size and placement: the grid sized to its content in twips, the window
// to the grid within the screen, the controls placed on every resize.
#include "results/frm_results.h"
#include "twips.h"
#include "window_frame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace nomispot {

double frmResults::textWidthTwips(const QString& text) const {
    return pixelsToTwips(QFontMetricsF(font()).horizontalAdvance(text), this);
}

int frmResults::GetColwidth(int column) const {
    return nomispot::GetColwidth(
        textWidthTwips(m_model.headerData(column - 1, Qt::Horizontal, Qt::DisplayRole).toString()));
}

QRect frmResults::availableScreen() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

void frmResults::applySizingSequence() {
    QList<double> headerWidths;
    for (const ResultColumn& column : m_plan.columns)
        headerWidths << textWidthTwips(column.header);
    QList<double> nameWidths;
    for (const QString& name : m_plan.names.Names)
        nameWidths << textWidthTwips(name);
    const GridLayout layout = LayoutGrid(headerWidths, nameWidths);

    // Rounded down, so that the columns never add up to more than the grid is wide.
    const auto pixels = [this](int twips) { return twips * logicalDpiX() / 1440; };
    m_grid->verticalHeader()->setFixedWidth(pixels(layout.columnWidths[0]));
    for (qsizetype c = 1; c < layout.columnWidths.size(); ++c)
        m_grid->setColumnWidth(static_cast<int>(c - 1), pixels(layout.columnWidths[c]));

    const QRect screen = availableScreen();
    const double screenWidth = pixelsToTwips(screen.width(), this);
    const double screenHeight = pixelsToTwipsY(screen.height(), this);
    // Rows that do not all fit bring a vertical scroll bar: room for it, beside the last column.
    double contentWidth = layout.contentWidth;
    if (ComputeWindowLimits(contentWidth, layout.contentHeight, screenWidth, screenHeight)
            .maxHeight < layout.contentHeight + 1450)
        contentWidth += pixelsToTwips(
            m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid), this);
    m_limits = ComputeWindowLimits(contentWidth, layout.contentHeight, screenWidth, screenHeight);
    setOuterSize(outerWidth(), m_limits->maxHeight);
    setOuterSize(m_limits->maxWidth, m_limits->maxHeight);
    placeNearParent();
    applyResize();
    m_grid->viewport()->update();
    update();
}

// Beside the main window rather than wherever the window system puts new windows, and on screen.
void frmResults::placeNearParent() {
    const QWidget* main = parentWidget();
    if (!main || !main->isVisible())
        return;
    const QRect screen = availableScreen();
    const QSize outer = size() + frameExtents(this);
    const QPoint wanted = main->frameGeometry().topLeft() + QPoint(40, 40);
    move(std::clamp(wanted.x(), screen.left(),
                    std::max(screen.left(), screen.right() - outer.width())),
         std::clamp(wanted.y(), screen.top(),
                    std::max(screen.top(), screen.bottom() - outer.height())));
}

double frmResults::outerWidth() const {
    return pixelsToTwips(width() + frameExtents(this).width(), this);
}

double frmResults::outerHeight() const {
    return pixelsToTwipsY(height() + frameExtents(this).height(), this);
}

void frmResults::setOuterSize(double width, double height) {
    const QSize frame = frameExtents(this);
    resize(twipsToPixels(width, this) - frame.width(),
           twipsToPixelsY(height, this) - frame.height());
}

void frmResults::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applyResize();
}

void frmResults::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Sized with a frame that was only an estimate: once the real one is known, the window is
    // made its content size again unless the user has resized it meanwhile.
    whenFramed(this, [this, sized = size()] {
        if (m_limits && size() == sized)
            setOuterSize(m_limits->maxWidth, m_limits->maxHeight);
    });
}

void frmResults::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        applyResize();
}

void frmResults::applyResize() {
    if (m_inResize)
        return;
    m_inResize = true;
    const WindowState state = isMinimized()   ? WindowState::Minimised
                              : isMaximized() ? WindowState::Maximised
                                              : WindowState::Normal;
    const double width = outerWidth();
    const double height = outerHeight();
    const ResizePlan plan = Form_Resize(width, height, state);
    if (plan.act) {
        if (plan.placeControls) {
            placeInTwips(m_progress, plan.progressBar.left, plan.progressBar.top,
                         plan.progressBar.width, plan.progressBar.height);
            placeSummary();
            showSummary();
            placeInTwips(m_butCancelOk, plan.cancelButton.left, plan.cancelButton.top,
                         plan.cancelButton.width, plan.cancelButton.height);
            placeInTwips(m_grid, plan.grid.left, plan.grid.top, plan.grid.width, plan.grid.height);
        }
    }
    m_inResize = false;
}

// From the progress bar's place down to the window's bottom edge.
void frmResults::placeSummary() {
    const QRect bar = m_progress->geometry();
    const int bottom = m_summary->parentWidget()->height() - 2;
    m_summary->setGeometry(bar.left(), bar.top(), bar.width(),
                           std::max(bar.height(), bottom - bar.top()));
}

} // namespace nomispot
