#pragma once

#include "playlist/playlist_grid.h"

#include <QAbstractTableModel>

// Shows a PlaylistGrid in a table view: model row i is grid row i + 1 (the
// grid's header row becomes the view's column headers), and the grid's
// selection is drawn as the highlighted rows.
class PlaylistTableModel : public QAbstractTableModel, private PlaylistGrid::Listener {
    Q_OBJECT
public:
    explicit PlaylistTableModel(PlaylistGrid* grid, QObject* parent = nullptr);
    ~PlaylistTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void beginReset() override;
    void endReset() override;
    void beginInsert(std::int32_t first, std::int32_t last) override;
    void endInsert() override;
    void beginRemove(std::int32_t row) override;
    void endRemove() override;
    void beginMove(std::int32_t row, std::int32_t target) override;
    void endMove() override;
    void cellChanged(std::int32_t row, std::int32_t col) override;
    void selectionChanged(std::int32_t oldFirst, std::int32_t oldLast, std::int32_t newFirst,
                          std::int32_t newLast) override;
    void rowsChanged(std::int32_t first, std::int32_t last);

    PlaylistGrid* grid_;
    int published_ = 0; // the rows the view has been told of
};
