#include "playlist/playlist_table_model.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace {

// A cell's text is decoded at each paint: a text longer than any path is cut
// here, with an ellipsis, so an entry of any length costs what a path costs.
// The view cuts it further to its column (GridView).
constexpr qsizetype kShownBytes = 4096;

QString shownText(QByteArrayView cell) {
    if (cell.size() <= kShownBytes)
        return QString::fromUtf8(cell);
    qsizetype cut = kShownBytes;
    while (cut > 0 && (static_cast<unsigned char>(cell[cut]) & 0xC0) == 0x80)
        --cut; // not inside a character
    return QString::fromUtf8(cell.first(cut)) + QChar(0x2026);
}

} // namespace

PlaylistTableModel::PlaylistTableModel(PlaylistGrid* grid, QObject* parent)
    : QAbstractTableModel(parent)
    , grid_(grid)
    , published_(grid->Rows() - 1) {
    grid_->setListener(this);
}

PlaylistTableModel::~PlaylistTableModel() {
    grid_->setListener(nullptr);
}

int PlaylistTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : published_;
}

int PlaylistTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : PlaylistGrid::Cols();
}

QVariant PlaylistTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= published_)
        return {};
    const std::int32_t row = index.row() + 1;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return shownText(grid_->cellUtf8(row, index.column()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::BackgroundRole:
        if (grid_->isSelected(row))
            return QGuiApplication::palette().brush(QPalette::Highlight);
        return {};
    case Qt::ForegroundRole:
        if (grid_->isSelected(row))
            return QGuiApplication::palette().brush(QPalette::HighlightedText);
        return {};
    default:
        return {};
    }
}

QVariant PlaylistTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return grid_->TextMatrix(0, section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return QAbstractTableModel::headerData(section, orientation, role);
}

void PlaylistTableModel::beginReset() {
    beginResetModel();
}

void PlaylistTableModel::endReset() {
    published_ = grid_->Rows() - 1;
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, 1);
}

void PlaylistTableModel::beginInsert(std::int32_t first, std::int32_t last) {
    beginInsertRows({}, published_, published_ + (last - first));
}

void PlaylistTableModel::endInsert() {
    published_ = grid_->Rows() - 1;
    endInsertRows();
}

void PlaylistTableModel::beginRemove(std::int32_t row) {
    beginRemoveRows({}, row - 1, row - 1);
}

void PlaylistTableModel::endRemove() {
    published_ = grid_->Rows() - 1;
    endRemoveRows();
}

void PlaylistTableModel::beginMove(std::int32_t row, std::int32_t target) {
    // Qt names the row the moved one goes before.
    const int destination = target > row ? target : target - 1;
    beginMoveRows({}, row - 1, row - 1, {}, destination);
}

void PlaylistTableModel::endMove() {
    endMoveRows();
}

void PlaylistTableModel::cellChanged(std::int32_t row, std::int32_t col) {
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, col, col);
        return;
    }
    const QModelIndex i = index(row - 1, col);
    emit dataChanged(i, i);
}

void PlaylistTableModel::rowsChanged(std::int32_t first, std::int32_t last) {
    first = std::max(first, 1) - 1;
    last = std::min(last, published_) - 1;
    if (first > last)
        return;
    emit dataChanged(index(first, 0), index(last, 1), {Qt::BackgroundRole, Qt::ForegroundRole});
}

void PlaylistTableModel::selectionChanged(std::int32_t oldFirst, std::int32_t oldLast,
                                          std::int32_t newFirst, std::int32_t newLast) {
    rowsChanged(oldFirst, oldLast);
    rowsChanged(newFirst, newLast);
}
