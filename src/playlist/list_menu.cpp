// The grid's pop-up menu: the file's properties, and the trash.
#include "media/file_properties.h"
#include "platform/trash.h"
#include "playlist/frm_list2.h"

#include <QAction>
#include <QFileInfo>

void frmList2::mnuFile_Click() {
    const std::int32_t row = grid_.Row();
    mnuProperty_->setEnabled(row >= 1 && !grid_.Text().isEmpty());
    // Only a file goes to the trash: a list line may name a folder (an empty
    // File cell, or a folder's own name), a device or a FIFO.
    mnuDelete_->setEnabled(row >= 1 && !grid_.TextMatrix(row, 0).isEmpty() &&
                           QFileInfo(grid_.fullPath(row)).isFile());
}

// An entry with an empty File cell names its folder: its properties are shown.
void frmList2::mnuProperty_Click() {
    const std::int32_t row = grid_.Row();
    if (row < 1)
        return;
    const QString file = grid_.TextMatrix(row, 0);
    mdProperty::ShowFileProperties(file.isEmpty() ? grid_.TextMatrix(row, 1) : grid_.fullPath(row),
                                   this);
}

void frmList2::mnuDelete_Click() {
    const std::int32_t row = grid_.Row();
    if (row < 1 || grid_.TextMatrix(row, 0).isEmpty())
        return;
    const QString path = grid_.fullPath(row);
    const auto outcome = mdRecycled::RecycleFile(this, path);
    // The entry leaves the list only when its file is really gone from there;
    // while the question was open the list played on, and the selection may
    // have followed it to another entry.
    if ((outcome == mdRecycled::Outcome::Trashed || outcome == mdRecycled::Outcome::Missing) &&
        row < grid_.Rows() && grid_.fullPath(row) == path) {
        grid_.setRow(row);
        cmd_Click(4);
    }
}
