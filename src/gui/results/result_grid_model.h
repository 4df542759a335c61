#pragma once

#include "engine/check_table.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <QRect>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace nomispot {

// The result matrix: headers are the column suffixes, the vertical header the names, each cell
// the picture of its candidate's state once that cell has been refreshed.
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Picture indices: 0 none (blank cell).
    enum Picture : std::uint8_t {
        NoPicture = 0,
        Check = 1,
        Cross = 2,
        Question = 3,
        ConfirmedCheck = 4, // free, and the registry says so too
        Barred = 5          // no registry can take it
    };

    explicit ResultGridModel(const CheckTable& table, QObject* parent = nullptr);

    // New shape; every result cell blank.
    void setGrid(const QStringList& headers, const QStringList& names);

    // Takes the picture of the state of candidate (c, r), both 1-based; the view hears of it at
    // the next flushChanges, so that many answers cost one repaint.
    void showCellState(int c, int r);
    void flushChanges();
    void showAllCellStates();
    Picture pictureAt(int c, int r) const;

    static Picture pictureFor(CheckState state);
    static Picture pictureFor(const CheckItem& item);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::size_t slot(int c, int r) const;

    const CheckTable& m_table;
    QStringList m_headers;
    QStringList m_names;
    std::vector<Picture> m_pictures;
    QRect m_dirty; // cells changed since the last flush: x column, y row, 0-based
    std::array<QPixmap, 5> m_pixmaps; // Check ... Barred; drawn once per grid
};

} // namespace nomispot
