#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

class QItemSelectionModel;

// The playlist: a grid of two columns, "File" and "Path", whose row 0 is the
// header and whose rows 1 to Rows - 1 are the entries in play order. It holds
// the selection (Row, RowSel, Col, ColSel) and the highlight. Operations are
// named after the grid members that carry them in the window.
//
// It is also the item model that views show: model row i is grid row i + 1,
// and the header row gives the column headers. Its selection model holds Row
// (the current row) and RowSel (the other end of the selected rows).
//
// Entries are stored compactly for lists of millions: each is one UTF-8 text,
// Path + separator + File, in a shared buffer, with the length of its Path.
class PlaylistGrid : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PlaylistGrid(QChar separator, QObject* parent = nullptr);

    QChar separator() const { return sep_; }
    // The selection every view of the grid shares.
    QItemSelectionModel* selectionModel() const { return selection_; }

    std::int32_t Rows() const { return static_cast<std::int32_t>(entries_.size()) + 1; }
    // Only shrinking is offered: Rows = 1 empties the list.
    void setRows(std::int32_t rows);
    static constexpr std::int32_t Cols() { return 2; }
    static constexpr std::int32_t FixedRows() { return 1; }
    static constexpr std::int32_t FixedCols() { return 0; }

    QString TextMatrix(std::int32_t row, std::int32_t col) const;
    void setTextMatrix(std::int32_t row, std::int32_t col, const QString& text);
    // The UTF-8 text of an entry's cell (rows 1 to Rows - 1), without a copy;
    // valid until the next change. Empty for the header and outside the grid.
    QByteArrayView cellUtf8(std::int32_t row, std::int32_t col) const;
    // The current cell (Row, Col).
    QString Text() const { return TextMatrix(Row(), col_); }

    // Appends one entry from "File" TAB "Path".
    void AddItem(const QString& text);
    // Appends the entry for a full path, split at its last separator.
    void appendPath(const QString& fullPath);
    // The same for a path already in UTF-8 (the fast way of a list file).
    void appendUtf8Path(QByteArrayView fullPath);
    // Path + separator + File.
    QString fullPath(std::int32_t row) const;
    // The same in UTF-8, without a copy; valid until the next change.
    QByteArrayView fullPathUtf8(std::int32_t row) const;

    // Deletes an entry; later rows move up. Row keeps its number, within the list.
    void RemoveItem(std::int32_t row);
    // Empties every cell, the header's too; the rows stay.
    void Clear();
    // Moves a row to the target position; the rows between shift by one.
    // The selection keeps its row numbers.
    void setRowPosition(std::int32_t row, std::int32_t target);

    // 0 while no entry is selected (the header is current).
    std::int32_t Row() const { return selected().row; }
    std::int32_t RowSel() const { return selected().rowSel; }
    std::int32_t Col() const { return col_; }
    // The grid selects whole rows: ColSel changes nothing that shows.
    std::int32_t ColSel() const { return colSel_; }
    // Setting Row also collapses the selection onto it, as the grid does.
    void setRow(std::int32_t row);
    // Extends the selection from Row to this row.
    void setRowSel(std::int32_t row);
    void setCol(std::int32_t col);
    void setColSel(std::int32_t col);

    // 0: the selection is never shown; 1: always.
    int HighLight() const { return highlight_; }
    void setHighLight(int value);

    // Batches: changes inside reach the views once, at the end, as one
    // insertion of the appended rows or one reset; the selection too.
    void beginBatch();
    void endBatch();

    // Makes room for about this many more bytes of entries (a list file's
    // size), so a large read grows the storage once instead of doubling it.
    void reserveForBytes(qsizetype bytes);
    // Bytes the entries' text takes: about all of fullPathUtf8 together.
    qsizetype textBytes() const { return text_.size() - static_cast<qsizetype>(wasted_); }

    // Bytes held for the entries (for measurements).
    std::size_t bytesUsed() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void highlightChanged();

private:
    struct Entry {
        std::uint64_t offset; // into text_
        std::uint32_t length;
        std::uint32_t split; // bytes of the Path part
    };
    struct Selection {
        std::int32_t row = 0, rowSel = 0;
    };

    void append(QByteArrayView path, QByteArrayView file);
    void appendEntry(const Entry& e);
    QByteArrayView bytes(const Entry& e) const;
    void compactIfWasteful();
    void releaseStorage();
    // After a batch: gives back storage the batch left unused.
    void trimStorage();
    // Before a change other than an append: true when the views are to be
    // told of it now; inside a batch, the first such change opens the batch's
    // reset instead.
    bool tellEach();
    bool inBatch() const { return batchDepth_ > 0; }
    Selection selected() const;
    // Clamps the rows into the grid; inside a batch, held until its end.
    void select(Selection s);
    void showSelection(Selection s);

    QChar sep_;
    char sepByte_;
    QByteArray text_;
    std::size_t wasted_ = 0;
    std::vector<Entry> entries_; // row r is entries_[r - 1]
    std::int32_t published_ = 0; // the entries the views have been told of
    QString header_[2];
    QItemSelectionModel* selection_;
    Selection held_; // the selection while a batch runs
    std::int32_t col_ = 0, colSel_ = 0;
    int highlight_ = 1;
    int batchDepth_ = 0;
    bool batchOnlyAppends_ = true;
};
