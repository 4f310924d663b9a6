#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

// The playlist: a grid of two columns, "File" and "Path", whose row 0 is the
// header and whose rows 1 to Rows - 1 are the entries in play order. It holds
// the selection (Row, RowSel, Col, ColSel) and the highlight. Operations are
// named after the grid members that carry them in the window.
//
// Entries are stored compactly for lists of millions: each is one UTF-8 text,
// Path + separator + File, in a shared buffer, with the length of its Path.
class PlaylistGrid {
public:
    // Told of every change, so a view can follow. Bulk changes inside a batch
    // arrive as one insertion of the appended rows, or one reset.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void beginReset() = 0;
        virtual void endReset() = 0;
        virtual void beginInsert(std::int32_t first, std::int32_t last) = 0;
        virtual void endInsert() = 0;
        virtual void beginRemove(std::int32_t row) = 0;
        virtual void endRemove() = 0;
        virtual void beginMove(std::int32_t row, std::int32_t target) = 0;
        virtual void endMove() = 0;
        virtual void cellChanged(std::int32_t row, std::int32_t col) = 0;
        // The selected rows or the highlight changed; old and new ranges.
        virtual void selectionChanged(std::int32_t oldFirst, std::int32_t oldLast,
                                      std::int32_t newFirst, std::int32_t newLast) = 0;
    };

    explicit PlaylistGrid(QChar separator);

    void setListener(Listener* listener) { listener_ = listener; }
    QChar separator() const { return sep_; }

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
    QString Text() const { return TextMatrix(row_, col_); }

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

    // Deletes an entry; later rows move up. Row stays in range.
    void RemoveItem(std::int32_t row);
    // Empties every cell, the header's too; the rows stay.
    void Clear();
    // Moves a row to the target position; the rows between shift by one.
    void setRowPosition(std::int32_t row, std::int32_t target);

    std::int32_t Row() const { return row_; }
    std::int32_t RowSel() const { return rowSel_; }
    std::int32_t Col() const { return col_; }
    std::int32_t ColSel() const { return colSel_; }
    // Setting Row also collapses the selection onto it, as the grid does.
    void setRow(std::int32_t row);
    void setRowSel(std::int32_t row);
    void setCol(std::int32_t col);
    void setColSel(std::int32_t col);

    // 0: the selection is never shown; 1: always.
    int HighLight() const { return highlight_; }
    void setHighLight(int value);

    // Whether the row lies in the shown selection.
    bool isSelected(std::int32_t row) const;

    // Batches: changes inside reach the listener once, at the end.
    void beginBatch();
    void endBatch();

    // Makes room for about this many more bytes of entries (a list file's
    // size), so a large read grows the storage once instead of doubling it.
    void reserveForBytes(qsizetype bytes);
    // Bytes the entries' text takes: about all of fullPathUtf8 together.
    qsizetype textBytes() const { return text_.size() - static_cast<qsizetype>(wasted_); }

    // Bytes held for the entries (for measurements).
    std::size_t bytesUsed() const;

private:
    struct Entry {
        std::uint64_t offset; // into text_
        std::uint32_t length;
        std::uint32_t split; // bytes of the Path part
    };

    void append(QByteArrayView path, QByteArrayView file);
    void appendEntry(const Entry& e);
    QByteArrayView bytes(const Entry& e) const;
    void compactIfWasteful();
    void releaseStorage();
    // After a batch: gives back storage the batch left unused.
    void trimStorage();
    void notifySelection(std::int32_t oldFirst, std::int32_t oldLast);
    // Before a change other than an append: true when the listener is to be
    // told of it now; inside a batch, the first such change opens the batch's
    // reset instead.
    bool tellEach();
    bool inBatch() const { return batchDepth_ > 0; }

    QChar sep_;
    char sepByte_;
    QByteArray text_;
    std::size_t wasted_ = 0;
    std::vector<Entry> entries_; // row r is entries_[r - 1]
    QString header_[2];
    std::int32_t row_ = 0, rowSel_ = 0, col_ = 0, colSel_ = 0;
    int highlight_ = 1;
    Listener* listener_ = nullptr;
    int batchDepth_ = 0;
    std::int32_t batchFirstRow_ = 0;
    bool batchOnlyAppends_ = true;
};
