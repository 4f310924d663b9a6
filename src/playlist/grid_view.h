#pragma once

#include "playlist/playlist_grid.h"

#include <QTableView>

#include <QMimeData>

// Grid1: the table that shows the playlist and its selection. It adds the
// grid's view members (TopRow, RowIsVisible, MouseRow, column widths in twips)
// and reports mouse and key events as the grid's events, leaving what the
// mouse does to the window; the arrow and page keys move the one selected
// row as Qt's table does. Rows are never reordered by the mouse.
class GridView : public QTableView {
    Q_OBJECT
public:
    GridView(PlaylistGrid* grid, QWidget* parent = nullptr);

    PlaylistGrid& grid() { return *grid_; }

    // First row shown below the header (grid rows; 1 for the first entry).
    std::int32_t TopRow() const;
    void setTopRow(std::int32_t row);
    // Whether the row is shown whole in the grid's window.
    bool RowIsVisible(std::int32_t row) const;
    // The grid row under the pointer at the last mouse event: 0 on the header,
    // -1 below the last entry.
    std::int32_t MouseRow() const { return mouseRow_; }
    // Rows shown whole below the header, less one (the scrolling rule's mark).
    std::int32_t VisibleRows() const;
    // Brings the row into view: the first top row at which it shows whole.
    void scrollRowIntoView(std::int32_t row);

    // For assistive tools: selects an entry's whole row as a click does; and
    // plays it as Enter on it does. Rows outside the entries are left alone.
    void selectEntry(std::int32_t row);
    void activateEntry(std::int32_t row);

    void setColWidth(int col, int twipsValue);
    int ColWidth(int col) const;
    double twipsPerPixel() const;

    // Modifier mask as the grid reports it: 1 Shift, 2 Ctrl, 4 Alt.
    static int shiftMask(Qt::KeyboardModifiers m);
    // Key code as the grid reports it: 13 Enter, 16 Shift, else Qt's key.
    static int keyCode(int qtKey);

signals:
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void KeyDown(int keyCode, int shift);
    void KeyUp(int keyCode, int shift);
    void DblClick();
    void SelChange();
    void OLEDragDrop(const QMimeData* data);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyboardSearch(const QString&) override {}
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showHighlight();
    void trackMouse(const QPoint& viewportPos);
    // Rows added or removed reach the scroll bar only at the next layout;
    // scrolling and measuring need it now.
    void ensureLaidOut() const;
    int buttonOf(Qt::MouseButton b) const;

    PlaylistGrid* grid_;
    std::int32_t mouseRow_ = 0;
};
