#include "results/result_grid_model.h"

#include "results/result_actions.h"
#include "results/verdict_pictures.h"

namespace nomispot {

ResultGridModel::ResultGridModel(const CheckTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_pixmaps{QPixmap::fromImage(checkPicture()),
                                                             QPixmap::fromImage(crossPicture()),
                                                             QPixmap::fromImage(questionPicture()),
                                                             QPixmap::fromImage(confirmedPicture()),
                                                             QPixmap::fromImage(barredPicture())} {}

void ResultGridModel::setGrid(const QStringList& headers, const QStringList& names) {
    beginResetModel();
    m_headers = headers;
    m_names = names;
    m_pictures.assign(static_cast<std::size_t>(headers.size() * names.size()), NoPicture);
    m_dirty = QRect();
    endResetModel();
}

std::size_t ResultGridModel::slot(int c, int r) const {
    return static_cast<std::size_t>((c - 1) * m_names.size() + (r - 1));
}

ResultGridModel::Picture ResultGridModel::pictureFor(CheckState state) {
    switch (state) {
    case CheckState::Available:
        return Check;
    case CheckState::Unavailable:
        return Cross;
    case CheckState::NotRegistrable:
        return Barred;
    case CheckState::Pending:
    case CheckState::AlreadyWritten:
    case CheckState::NotChecked:
        break;
    }
    return Question;
}

ResultGridModel::Picture ResultGridModel::pictureFor(const CheckItem& item) {
    return item.state == CheckState::Available && item.registry == RegistryAnswer::NotFound
               ? ConfirmedCheck
               : pictureFor(item.state);
}

void ResultGridModel::showCellState(int c, int r) {
    if (c < 1 || c > m_headers.size() || r < 1 || r > m_names.size())
        return;
    m_pictures[slot(c, r)] = pictureFor(m_table.at(c, r));
    m_dirty |= QRect(c - 1, r - 1, 1, 1);
}

void ResultGridModel::flushChanges() {
    if (m_dirty.isEmpty())
        return;
    emit dataChanged(index(m_dirty.top(), m_dirty.left()),
                     index(m_dirty.bottom(), m_dirty.right()));
    m_dirty = QRect();
}

void ResultGridModel::showAllCellStates() {
    for (int c = 1; c <= m_headers.size(); ++c)
        for (int r = 1; r <= m_names.size(); ++r)
            m_pictures[slot(c, r)] = pictureFor(m_table.at(c, r));
    if (!m_pictures.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

ResultGridModel::Picture ResultGridModel::pictureAt(int c, int r) const {
    if (c < 1 || c > m_headers.size() || r < 1 || r > m_names.size())
        return NoPicture;
    return m_pictures[slot(c, r)];
}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int c = index.column() + 1;
    const int r = index.row() + 1;
    const Picture picture = m_pictures[slot(c, r)];
    switch (role) {
    case Qt::DecorationRole:
        return picture == NoPicture ? QVariant() : QVariant(m_pixmaps[picture - Check]);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        if (c <= m_table.colCount() && r <= m_table.nameCount()) {
            CheckItem shown = m_table.at(c, r);
            if (picture == NoPicture)
                shown.state = CheckState::Pending;
            return stateDescription(shown);
        }
        return {};
    default:
        return {};
    }
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const QStringList& labels = orientation == Qt::Horizontal ? m_headers : m_names;
    if (section < 0 || section >= labels.size())
        return {};
    if (role == Qt::DisplayRole)
        return labels[section];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(orientation == Qt::Horizontal
                                       ? Qt::Alignment(Qt::AlignCenter)
                                       : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

} // namespace nomispot
