#pragma once

#include "playback/playback.h"
#include "playlist/playlist_grid.h"
#include "playlist/sorted_list.h"

#include <QLoggingCategory>
#include <QMimeData>
#include <QWidget>

#include <array>

class GridView;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;

// List files not written or not read; quiet unless asked for.
Q_DECLARE_LOGGING_CATEGORY(lcList)

// The playlist window: the filter list Text2 on top, the grid Grid1 holding
// the one playlist, the column of ten command buttons, a hidden sorted list
// List2, and the grid's pop-up menu mnuFile. Sizes are twips; Width and
// Height are the outer size on the frame the layout was drawn for.
// It asks the playback core to play and shows what the core reports.
class frmList2 : public QWidget, public PlaylistEntries {
    Q_OBJECT
public:
    // The design caption, until a position caption replaces it.
    static inline const QString kDesignCaption = QStringLiteral("List");
    static inline const QString kDefaultFilterList =
        QStringLiteral("*.avi|*.mid|*.mp3|*.mpeg|*.mpg|*.wav|*.wma|*.wmv");
    static constexpr int kNonClientWidth = 120; // sizable frame: 4 pixels a side
    static constexpr int kNonClientHeight = 375;
    static constexpr int kMinHeight = 3765;

    // main: the window it takes its icon and screen from.
    explicit frmList2(QWidget* main);
    ~frmList2() override;

    // Window start: the filter list from the settings, centred, on top.
    void Form_Load();
    void Form_Resize();
    // Close: stores the filter list and clears the main window's tick.
    void Form_Unload();

    // The ten commands by index: 0 Default, 1 Sort, 2 up, 3 down, 4 Remove,
    // 5 Reset, 6 Save, 7 Load, 8 Restore, 9 Snap; others do nothing.
    void cmd_Click(int index);

    // The grid's events.
    void Grid1_MouseDown(int button, int shift, int x, int y);
    void Grid1_MouseMove(int button, int shift, int x, int y);
    void Grid1_MouseUp(int button, int shift, int x, int y);
    void Grid1_KeyDown(int keyCode, int shift);
    void Grid1_KeyUp(int keyCode, int shift);
    void Grid1_SelChange();
    void Grid1_DblClick();
    void Grid1_OLEDragDrop(const QMimeData* data);

    // The pop-up menu.
    void mnuFile_Click();
    void mnuProperty_Click();
    void mnuDelete_Click();

    PlaylistGrid& grid() { return grid_; }
    GridView* Grid1() const { return view_; }
    QLineEdit* Text2() const { return text2_; }
    QPushButton* cmd(int index) const { return cmd_.at(static_cast<size_t>(index)); }
    const SortedList& List2() const { return list2_; }
    QMenu* mnuFile() const { return mnuFile_; }
    QAction* mnuProperty() const { return mnuProperty_; }
    QAction* mnuDelete() const { return mnuDelete_; }

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    int ScaleWidth() const;
    void setHeight(int twipsValue);

    std::int32_t Rows() const override { return grid_.Rows(); }
    QString fullPath(std::int32_t row) const override { return grid_.fullPath(row); }

    // Sets the caption to row "/" entry count, such as 3/12.
    void showPosition(std::int32_t row);
    // The list moved on to this entry: selected and in view, with one row
    // more below it near the bottom.
    void followEntry(std::int32_t row);

signals:
    // A double-click, Enter or Restore asks for this entry to play.
    void playRequested(std::int32_t row);
    // Sort or Reset: no entry of the list is the current one any more.
    void playRowCleared();
    // The entries or their order changed (the next entry may be another).
    void entriesChanged();
    // A drop has ended: the caption shows the current entry again.
    void positionWanted();
    // The window has stored its filter list and is going.
    void unloaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void selectRow(std::int32_t row, bool setCol);
    void setBusy(bool busy, bool hourglass);
    void bringRowIntoView(std::int32_t row);
    void playSelected();
    void AddFolderFiles();
    void cmdSort();
    void cmdMove(int direction);
    void cmdRemove();
    void cmdReset();
    void cmdSave();
    void cmdLoad();
    void cmdRestore();
    void cmdSnap();
    QPoint toPixels(int leftTwips, int topTwips) const;
    double tppX() const;
    double tppY() const;

    QWidget* main_;
    PlaylistGrid grid_;
    GridView* view_ = nullptr;
    QLineEdit* text2_ = nullptr;
    std::array<QPushButton*, 10> cmd_{};
    SortedList list2_;
    QMenu* mnuFile_ = nullptr;
    QAction* mnuProperty_ = nullptr;
    QAction* mnuDelete_ = nullptr;
    QString searchFolder_; // the folder AddFolderFiles adds next
    bool dragSelecting_ = false;
    bool shiftHeld_ = false;
    bool selChangeGuard_ = false;
    bool unloaded_ = false;
};
