#include "playlist/grid_view.h"

#include "fs/path_helpers.h"
#include "platform/twips.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// FocusRect 0: no focus rectangle.
//
// Eliding lays out the whole text at every paint, in time that grows with
// its length. A cell is given only about one and a half times what can show
// of it (with an ellipsis when cut), so long entries paint about as fast as
// short ones that fill their cells.
class BoundedTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
        // From the text's start to the view's right edge: the Path column
        // reaches past it.
        int width = option->rect.width();
        if (const auto* view = qobject_cast<const QAbstractItemView*>(option->widget))
            width = std::min(option->rect.right(), view->viewport()->rect().right()) -
                    option->rect.left() + 1;
        const int average = std::max(1, option->fontMetrics.averageCharWidth());
        const qsizetype room = 3 * std::max(0, width) / (2 * average) + 8;
        if (option->text.size() <= room)
            return;
        qsizetype cut = room;
        if (option->text.at(cut - 1).isHighSurrogate())
            --cut;
        option->text.truncate(cut);
        option->text += QChar(0x2026);
    }
};

} // namespace

GridView::GridView(PlaylistGrid* grid, QWidget* parent)
    : QTableView(parent)
    , grid_(grid) {
    setModel(grid);
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(grid->selectionModel());
    delete own;
    setItemDelegate(new BoundedTextDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Only the keys scroll to the selected row; the commands and the
    // sequencing place the rows themselves.
    setAutoScroll(false);
    showHighlight();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    // Fixed row heights: a million rows cost nothing to measure.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->viewport()->installEventFilter(this);
    connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &GridView::SelChange);
    connect(grid, &PlaylistGrid::highlightChanged, this, &GridView::showHighlight);
}

void GridView::showHighlight() {
    // Highlighted also while the window is inactive; with HighLight 0 the
    // selected row looks like any other.
    QPalette p = QApplication::palette(this);
    const bool on = grid_->HighLight() != 0;
    const QBrush back = p.brush(on ? QPalette::Highlight : QPalette::Base);
    const QBrush text = p.brush(on ? QPalette::HighlightedText : QPalette::Text);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setBrush(group, QPalette::Highlight, back);
        p.setBrush(group, QPalette::HighlightedText, text);
    }
    setPalette(p);
}

void GridView::ensureLaidOut() const {
    auto* self = const_cast<GridView*>(this);
    self->executeDelayedItemsLayout();
    if (verticalScrollBar()->maximum() + 1 < model()->rowCount())
        self->updateGeometries();
}

double GridView::twipsPerPixel() const {
    return twips::perPixel(logicalDpiY());
}

std::int32_t GridView::TopRow() const {
    ensureLaidOut();
    const int first = rowAt(0);
    return first < 0 ? 1 : first + 1;
}

void GridView::setTopRow(std::int32_t row) {
    if (row < 1 || row >= grid_->Rows())
        return;
    ensureLaidOut();
    verticalScrollBar()->setValue(row - 1);
}

bool GridView::RowIsVisible(std::int32_t row) const {
    if (row == 0)
        return true;
    if (row < 1 || row >= grid_->Rows())
        return false;
    ensureLaidOut();
    const int y = rowViewportPosition(row - 1);
    return y >= 0 && y + rowHeight(row - 1) <= viewport()->height();
}

std::int32_t GridView::VisibleRows() const {
    const double tpp = twipsPerPixel();
    const auto header = static_cast<std::int64_t>(horizontalHeader()->height() * tpp);
    const auto row = static_cast<std::int64_t>(verticalHeader()->defaultSectionSize() * tpp);
    return mCode::VisibleRows(grid_->Rows(), PlaylistGrid::FixedRows(),
                              static_cast<std::int64_t>(height() * tpp),
                              [&](std::int32_t i) { return i == 0 ? header : row; });
}

void GridView::scrollRowIntoView(std::int32_t row) {
    if (row < 1 || row >= grid_->Rows() || RowIsVisible(row))
        return;
    // The first top row, counted from 1, at which the row shows whole.
    const int perPage = std::max(1, viewport()->height() / std::max(1, rowHeight(0)));
    setTopRow(std::max(1, row - perPage + 1));
    if (!RowIsVisible(row))
        setTopRow(row);
}

void GridView::selectEntry(std::int32_t row) {
    if (row < 1 || row >= grid_->Rows())
        return;
    grid_->setRow(row);
    grid_->setColSel(PlaylistGrid::Cols() - 1);
}

void GridView::activateEntry(std::int32_t row) {
    if (row < 1 || row >= grid_->Rows())
        return;
    selectEntry(row);
    emit KeyDown(keyCode(Qt::Key_Return), 0);
    emit KeyUp(keyCode(Qt::Key_Return), 0);
}

void GridView::setColWidth(int col, int twipsValue) {
    setColumnWidth(col, twips::toPixels(twipsValue, twips::perPixel(logicalDpiX())));
}

int GridView::ColWidth(int col) const {
    return static_cast<int>(columnWidth(col) * twips::perPixel(logicalDpiX()));
}

int GridView::shiftMask(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

int GridView::keyCode(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    default:
        return qtKey;
    }
}

int GridView::buttonOf(Qt::MouseButton b) const {
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

void GridView::trackMouse(const QPoint& p) {
    const int r = rowAt(p.y());
    mouseRow_ = r < 0 ? -1 : r + 1;
}

void GridView::mousePressEvent(QMouseEvent* e) {
    trackMouse(e->position().toPoint());
    setFocus(Qt::MouseFocusReason);
    // As the grid does by itself: the pressed cell's column becomes current.
    if (mouseRow_ >= 1) {
        const int col = columnAt(static_cast<int>(e->position().x()));
        if (col >= 0)
            grid_->setCol(col);
    }
    emit MouseDown(buttonOf(e->button()), shiftMask(e->modifiers()), e->position().x(),
                   e->position().y());
}

void GridView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    // Above the rows the pointer is over the header.
    if (p.y() < 0)
        mouseRow_ = 0;
    else
        trackMouse(p);
    const int buttons =
        (e->buttons() & Qt::LeftButton ? 1 : 0) | (e->buttons() & Qt::RightButton ? 2 : 0);
    emit MouseMove(buttons, shiftMask(e->modifiers()), p.x(), p.y());
}

void GridView::mouseReleaseEvent(QMouseEvent* e) {
    emit MouseUp(buttonOf(e->button()), shiftMask(e->modifiers()), e->position().x(),
                 e->position().y());
}

void GridView::mouseDoubleClickEvent(QMouseEvent* e) {
    trackMouse(e->position().toPoint());
    emit DblClick();
}

QModelIndex GridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // Home and End go to the first and the last entry, not along the row.
    if ((action == MoveHome || action == MoveEnd) && model()->rowCount() > 0) {
        const int col = std::max(0, currentIndex().column());
        return model()->index(action == MoveHome ? 0 : model()->rowCount() - 1, col);
    }
    return QTableView::moveCursor(action, modifiers);
}

void GridView::keyPressEvent(QKeyEvent* e) {
    emit KeyDown(keyCode(e->key()), shiftMask(e->modifiers()));
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        QTableView::keyPressEvent(e);
        scrollRowIntoView(grid_->Row());
        e->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e->accept();
        return;
    default:
        // Not the item view's: no type-ahead search, toggling or editing.
        QAbstractScrollArea::keyPressEvent(e);
    }
}

void GridView::focusInEvent(QFocusEvent* e) {
    // The item view would make the first entry current: Enter would then
    // play an entry nobody selected.
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void GridView::keyReleaseEvent(QKeyEvent* e) {
    emit KeyUp(keyCode(e->key()), shiftMask(e->modifiers()));
    QAbstractScrollArea::keyReleaseEvent(e);
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
    // A press on the header row: the window decides what it does.
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* e = static_cast<QMouseEvent*>(event);
            mouseRow_ = 0;
            setFocus(Qt::MouseFocusReason);
            emit MouseDown(buttonOf(e->button()), shiftMask(e->modifiers()), e->position().x(),
                           e->position().y() - horizontalHeader()->height());
            return false;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            mouseRow_ = 0;
            emit DblClick();
            return false;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::dragEnterEvent(QDragEnterEvent* e) {
    e->acceptProposedAction();
}

void GridView::dragMoveEvent(QDragMoveEvent* e) {
    e->acceptProposedAction();
}

void GridView::dropEvent(QDropEvent* e) {
    e->acceptProposedAction();
    emit OLEDragDrop(e->mimeData());
}
