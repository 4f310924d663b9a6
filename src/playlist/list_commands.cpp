// The playlist window's ten commands.
#include "dialogs/common_dialog.h"
#include "dialogs/dialog_presenter.h"
#include "fs/path_helpers.h"
#include "platform/numbers.h"
#include "platform/settings.h"
#include "playlist/frm_list2.h"
#include "playlist/grid_view.h"
#include "playlist/m3u.h"

#include <QDir>
#include <QLineEdit>

#include <cerrno>
#include <cstring>

namespace {

const QString kSnapshot = QStringLiteral("Sonoquill.m3u");
const QString kListFilter =
    QStringLiteral("M3U(*.m3u)|*.m3u|") + QStringLiteral("すべてのファイル (*.*)|*.*");
// OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES
constexpr std::int32_t kListDialogFlags = 0x280804;

// A new dialog object for one Load or Save, set up as both commands ask.
void setUpListDialog(cCommonDlg& dlg, QWidget* owner, const QString& title,
                     std::int16_t filterIndex) {
    dlg.setForm(owner);
    dlg.setDialogTitle(title);
    dlg.setFilter(kListFilter);
    dlg.setFilterIndex(filterIndex);
    dlg.setFlags(kListDialogFlags);
    dlg.setInitDir(QDir::currentPath());
    dlg.setCancelError(true);
}

// The list was not written (the old file stays whole), for the cause in
// error: the person must not think it was.
void reportUnwritten(QWidget* owner, const QString& title, const QString& path, int error) {
    const QString cause = QString::fromLocal8Bit(std::strerror(error));
    qCInfo(lcList).noquote() << "list not written:" << path << cause;
    DialogPresenter::current().warn(owner, title,
                                    QStringLiteral("リストを保存できませんでした。\n\n") +
                                        QDir::toNativeSeparators(QDir(path).absolutePath()) +
                                        u'\n' + cause);
}

} // namespace

void frmList2::cmd_Click(int index) {
    switch (index) {
    case 0:
        text2_->setText(kDefaultFilterList);
        break;
    case 1:
        cmdSort();
        break;
    case 2:
        cmdMove(-1);
        break;
    case 3:
        cmdMove(+1);
        break;
    case 4:
        cmdRemove();
        break;
    case 5:
        cmdReset();
        break;
    case 6:
        cmdSave();
        break;
    case 7:
        cmdLoad();
        break;
    case 8:
        cmdRestore();
        break;
    case 9:
        cmdSnap();
        break;
    default:
        break;
    }
    if (index >= 1 && index <= 8 && index != 6)
        emit entriesChanged();
}

// By the whole full path, as a sorted system list orders it.
void frmList2::cmdSort() {
    if (grid_.Rows() >= 2) {
        view_->setVisible(false);
        grid_.beginBatch();
        grid_.setHighLight(0);
        list2_.Clear();
        const std::int32_t rows = grid_.Rows();
        list2_.reserve(static_cast<std::size_t>(rows - 1), grid_.textBytes());
        for (std::int32_t r = 1; r < rows; ++r)
            list2_.addUtf8Item(grid_.fullPathUtf8(r));
        cmdReset(); // inside the batch the grid keeps its storage for the entries
        for (std::int32_t i = 0; i < list2_.ListCount(); ++i)
            grid_.appendUtf8Path(list2_.listUtf8(i));
        list2_.Clear();
        grid_.setHighLight(1);
        grid_.setRow(1);
        grid_.setColSel(1);
        grid_.endBatch();
    }
    emit playRowCleared();
    view_->setVisible(true);
    showPosition(grid_.Row());
}

void frmList2::cmdMove(int direction) {
    const std::int32_t rows = grid_.Rows();
    if (rows > 1) {
        const std::int32_t row = grid_.Row();
        if (row < 1)
            return; // no entry selected: nothing to move
        grid_.setHighLight(0);
        std::int32_t target;
        if (direction < 0)
            target = row == 1 ? rows - 1 : row - 1;
        else
            target = row == rows - 1 ? 1 : row + 1;
        grid_.setRowPosition(row, target);
        selectRow(target, true);
        bringRowIntoView(target);
    } else if (grid_.Row() < 1) {
        return;
    }
    showPosition(grid_.Row());
}

void frmList2::cmdRemove() {
    const std::int32_t rows = grid_.Rows();
    if (rows == 1 || grid_.Row() < 1)
        return;
    if (rows == 2)
        cmdReset();
    else
        grid_.RemoveItem(grid_.Row());
}

void frmList2::cmdReset() {
    grid_.Clear();
    grid_.setRows(1);
    grid_.setTextMatrix(0, 0, QStringLiteral("File"));
    grid_.setTextMatrix(0, 1, QStringLiteral("Path"));
    grid_.setHighLight(0);
    emit playRowCleared();
}

// The dialogs of Save, Load and Snap keep only this window waiting: the list
// may play on meanwhile, its selection following the current entry.
void frmList2::cmdSave() {
    cCommonDlg dlg;
    setUpListDialog(dlg, this, QStringLiteral("名前を付けて保存"), 0);
    dlg.ShowSave();
    if (dlg.CancelButton())
        return;
    const std::int32_t remembered = grid_.Row();
    const bool written = WritePlaylist(grid_, dlg.FileName());
    const int error = errno;
    grid_.setRow(remembered);
    grid_.setColSel(1);
    if (!written)
        reportUnwritten(this, QStringLiteral("名前を付けて保存"), dlg.FileName(), error);
}

void frmList2::cmdLoad() {
    cCommonDlg dlg;
    setUpListDialog(dlg, this, QStringLiteral("開く"), 1);
    dlg.ShowOpen();
    if (dlg.CancelButton())
        return;
    cmdReset();
    setBusy(true, true);
    grid_.beginBatch();
    const bool read = ReadPlaylist(grid_, dlg.FileName(), true);
    if (!read)
        qCInfo(lcList).noquote() << "list not read:" << dlg.FileName();
    if (read) {
        grid_.setHighLight(1);
        if (grid_.Rows() > 1) {
            grid_.setRow(1);
            grid_.setColSel(1);
        }
    }
    grid_.endBatch();
    setBusy(false, true);
}

void frmList2::cmdRestore() {
    std::int32_t pin =
        numbers::toInt32(mIni::ReadSetting(mIni::kSection, mIni::key::PinnedRow)).value_or(0);
    if (pin == 0)
        pin = 1;
    QDir::setCurrent(mIni::AppPath());
    if (!mFile::FileExists(kSnapshot))
        return;
    setBusy(true, true);
    grid_.beginBatch();
    grid_.setHighLight(0);
    cmdReset();
    if (!ReadPlaylist(grid_, kSnapshot, false))
        qCInfo(lcList).noquote() << "list not read:" << QDir(kSnapshot).absolutePath();
    const std::int32_t entries = grid_.Rows() - 1;
    if (entries < 1) {
        // A snapshot without entries: nothing to select or play.
        grid_.endBatch();
        setBusy(false, true);
        return;
    }
    pin = std::clamp(pin, std::int32_t{1}, entries);
    selectRow(pin, true);
    grid_.endBatch();

    showPosition(pin);
    emit playRequested(pin); // the file, both captions and PlayRow
    view_->setVisible(true);

    if (grid_.Row() >= view_->VisibleRows())
        view_->setTopRow(view_->TopRow() + 1);
    bringRowIntoView(pin);
    if (grid_.Row() >= view_->VisibleRows())
        view_->setTopRow(view_->TopRow() + 1);
    setBusy(false, true);
}

void frmList2::cmdSnap() {
    view_->setVisible(false);
    const std::int32_t remembered = grid_.Row();
    QDir::setCurrent(mIni::AppPath());
    const bool written = WritePlaylist(grid_, kSnapshot);
    const int error = errno;
    view_->setVisible(true);
    grid_.setRow(remembered);
    grid_.setColSel(1);
    // The stored row belongs to the snapshot: with the old one kept, so is it.
    if (written)
        mIni::WriteSetting(mIni::kSection, mIni::key::PinnedRow, QString::number(grid_.Row()));
    else
        reportUnwritten(this, QStringLiteral("Snap"), kSnapshot, error);
}
