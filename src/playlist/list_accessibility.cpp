#include "playlist/list_accessibility.h"

#include "playlist/grid_view.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QItemSelectionModel>
#include <QPointer>

namespace {

// Children are counted as the item view counts them when it reports focus and
// selection: a row of column headers first, each row led by its (hidden) row
// header. Row and column -1 are the headers.
constexpr int kColumns = PlaylistGrid::Cols() + 1;

int childIndex(int row, int column) {
    return (row + 1) * kColumns + column + 1;
}

class GridCell : public QAccessibleInterface,
                 public QAccessibleTableCellInterface,
                 public QAccessibleActionInterface {
public:
    GridCell(GridView* view, int row, int column)
        : view_(view)
        , row_(row)
        , column_(column) {}

    bool isValid() const override {
        return view_ && row_ < view_->model()->rowCount() && column_ < PlaylistGrid::Cols();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_->window()->windowHandle(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(view_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || (row_ < 0 && column_ < 0))
            return {};
        if (column_ < 0)
            return QString::number(row_ + 1);
        if (row_ < 0)
            return view_->model()->headerData(column_, Qt::Horizontal).toString();
        return index().data().toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (row_ < 0 || column_ < 0)
            return {};
        const QRect r = view_->visualRect(index());
        return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        return row_ < 0 ? QAccessible::ColumnHeader
                        : (column_ < 0 ? QAccessible::RowHeader : QAccessible::Cell);
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (column_ < 0) {
            s.invisible = true;
        } else if (row_ >= 0) {
            s.selectable = s.focusable = true;
            s.selected = isSelected();
            s.focused = view_->hasFocus() && view_->currentIndex().row() == row_;
            s.offscreen = !view_->viewport()->rect().intersects(view_->visualRect(index()));
        }
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface && row_ >= 0 && column_ >= 0)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override {
        return row_ >= 0 && view_->selectionModel()->isRowSelected(row_, {});
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        if (row_ < 0 || column_ < 0)
            return {};
        return {parent()->child(childIndex(-1, column_))};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // Press plays the entry as Enter does; Toggle selects it, as the grid
    // selects whole rows.
    QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction())
            view_->activateEntry(row_ + 1);
        else if (name == toggleAction())
            view_->selectEntry(row_ + 1);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        return name == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList();
    }

private:
    QModelIndex index() const { return view_->model()->index(row_, column_); }

    QPointer<GridView> view_;
    int row_, column_;
};

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit GridAccessible(GridView* view)
        : QAccessibleWidget(view, QAccessible::Table) {}
    ~GridAccessible() override { forgetCells(); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return (rowCount() + 1) * kColumns; }
    QAccessibleInterface* child(int i) const override {
        if (i < 0 || i >= childCount())
            return nullptr;
        if (QAccessible::Id id = cells_.value(i))
            return QAccessible::accessibleInterface(id);
        auto* cell = new GridCell(view(), i / kColumns - 1, i % kColumns - 1);
        cells_.insert(i, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const QAccessibleTableCellInterface* cell =
            child ? const_cast<QAccessibleInterface*>(child)->tableCellInterface() : nullptr;
        return cell ? childIndex(cell->rowIndex(), cell->columnIndex()) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex at = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return at.isValid() ? child(childIndex(at.row(), at.column())) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid()
                   ? child(childIndex(current.row(), current.column()))
                   : nullptr;
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return row >= 0 && column >= 0 && column < columnCount() ? child(childIndex(row, column))
                                                                 : nullptr;
    }
    int selectedCellCount() const override { return selectedRowCount() * columnCount(); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (int row : selectedRows())
            for (int column = 0; column < columnCount(); ++column)
                cells << cellAt(row, column);
        return cells;
    }
    QString columnDescription(int column) const override {
        return view()->model()->headerData(column, Qt::Horizontal).toString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override { return PlaylistGrid::Cols(); }
    int rowCount() const override { return view()->model()->rowCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        for (const QModelIndex& i : view()->selectionModel()->selectedRows())
            rows << i.row();
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override {
        return view()->selectionModel()->isRowSelected(row, {});
    }
    // One row is selected at a time, as a click selects it.
    bool selectRow(int row) override {
        if (row < 0 || row >= rowCount())
            return false;
        view()->selectEntry(row + 1);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    // Cells are made again as they are asked for: their rows may have moved.
    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            forgetCells();
    }

private:
    GridView* view() const { return static_cast<GridView*>(widget()); }
    void forgetCells() {
        for (QAccessible::Id id : std::as_const(cells_))
            QAccessible::deleteAccessibleInterface(id);
        cells_.clear();
    }

    mutable QHash<int, QAccessible::Id> cells_;
};

QAccessibleInterface* listInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("frmList2"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (className == QLatin1String("GridView"))
        return new GridAccessible(static_cast<GridView*>(object));
    return nullptr;
}

} // namespace

void installListAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(listInterface);
        return true;
    }();
    Q_UNUSED(installed);
}
