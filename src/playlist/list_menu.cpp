// The grid's pop-up menu: the file's properties, and the trash.
#include "app/file_properties.h"
#include "platform/trash.h"
#include "playlist/frm_list2.h"

#include <QAction>

void frmList2::mnuFile_Click() {
    const bool entry = grid_.Row() >= 1 && !grid_.Text().isEmpty();
    mnuProperty_->setEnabled(entry);
    mnuDelete_->setEnabled(entry);
}

void frmList2::mnuProperty_Click() {
    if (grid_.Row() < 1)
        return;
    mdProperty::ShowFileProperties(grid_.fullPath(grid_.Row()), this);
}

void frmList2::mnuDelete_Click() {
    if (grid_.Row() < 1)
        return;
    const auto outcome = mdRecycled::RecycleFile(this, grid_.fullPath(grid_.Row()));
    // The entry leaves the list only when its file is really gone from there.
    if (outcome == mdRecycled::Outcome::Trashed || outcome == mdRecycled::Outcome::Missing)
        cmd_Click(4);
}
