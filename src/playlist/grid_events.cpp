// Selection and play on the playlist grid: a press selects the whole row
// under the pointer, a left drag moves the one selected row, the selection
// never grows beyond one row, and a double-click or Enter plays the entry.
#include "playlist/frm_list2.h"
#include "playlist/grid_view.h"

#include <QCursor>
#include <QMenu>

void frmList2::Grid1_MouseDown(int button, int, int, int) {
    const std::int32_t mouseRow = view_->MouseRow();
    if (mouseRow >= PlaylistGrid::FixedRows()) {
        grid_.setRow(mouseRow);
        grid_.setColSel(PlaylistGrid::Cols() - 1);
    }
    if (button == 1)
        dragSelecting_ = true;
    if (button == 2)
        mnuFile_->popup(QCursor::pos());
}

void frmList2::Grid1_MouseMove(int, int, int, int) {
    if (!dragSelecting_)
        return;
    const std::int32_t mouseRow = view_->MouseRow();
    if (mouseRow == grid_.Row())
        return;
    if (mouseRow == 0) { // over the header: the first entry
        if (grid_.Row() == PlaylistGrid::FixedRows())
            return;
        grid_.setRow(PlaylistGrid::FixedRows());
    } else {
        grid_.setRow(mouseRow); // below the last entry there is no row: nothing
    }
    grid_.setColSel(PlaylistGrid::Cols() - 1);
}

void frmList2::Grid1_MouseUp(int button, int, int, int) {
    if (button == 1)
        dragSelecting_ = false;
}

void frmList2::Grid1_KeyDown(int keyCode, int shift) {
    if (keyCode == 13)
        playSelected();
    else if (shift != 0)
        shiftHeld_ = true;
}

void frmList2::Grid1_KeyUp(int keyCode, int) {
    if (keyCode == 16)
        shiftHeld_ = false;
}

void frmList2::Grid1_SelChange() {
    // Setting Row here raises this handler again; that call returns at once.
    if (selChangeGuard_)
        return;
    selChangeGuard_ = true;
    if (shiftHeld_) {
        grid_.setRow(grid_.RowSel());
        grid_.setColSel(PlaylistGrid::Cols() - 1);
    }
    selChangeGuard_ = false;
}

void frmList2::Grid1_DblClick() {
    playSelected();
}

void frmList2::playSelected() {
    if (grid_.Row() >= 1)
        emit playRequested(grid_.Row());
}
