#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <memory>

class MediaPlayer;
class Playback;
class PlayerControl;
class QAction;
class QAbstractButton;
class QMenu;
class QSlider;
class Form2;
class frmList2;

// The player window: the player control on top, the "&Top", "&Rpt" and
// "&Mute" boxes and the volume slider under it, the menu bar above. The
// window has no size of its own: it follows the player. Positions and sizes
// are twips; Width and Height are the outer size (see main_layout.h).
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    enum WindowStateValue { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Runs the load step with the file names of the command line; then shows.
    void Form_Load(const QStringList& commandLine);

    MediaPlayer* MediaPlayer1() const { return player_; }
    QAbstractButton* chkCou(int index) const { return boxes_.at(static_cast<size_t>(index)); }
    QSlider* Sl1() const { return slider_; }
    // What plays and what plays next; the windows send it their requests.
    Playback* playback() const { return playback_; }
    QAction* mnuPro() const { return mnuPro_; }
    QAction* mnuSort2() const { return mnuSort2_; }
    QMenu* mnuFile() const { return mnuFile_; }

    // A box's value, 0 or 1; setting a new value runs the box's action.
    int chkValue(int index) const;
    void setChkValue(int index, int value);

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int twipsValue);
    void setTop(int twipsValue);
    void setWidth(int twipsValue);
    void setHeight(int twipsValue);
    int WindowState() const;
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

    // The playlist window, once it has been loaded; nullptr before.
    frmList2* playlistWindow() const;

    // Handlers, named as the events they serve.
    void Form_Resize();
    void Form_QueryUnload();
    void Form_Unload();
    void Timer1_Timer();
    void chkCou_Click(int index);
    void Sl1_Change();
    void mnuFile_Click();
    void mnuPro_Click();
    void mnuList_Click();
    void mnuSort2_Click();
    void mnuHelp2_Click();
    void mnuAbout_Click();
    void OpenCommandLine(const QStringList& names);

signals:
    // Files dragged over the window, maybe to be dropped.
    void filesOffered();
    // Files dropped on the window, to play at once.
    void filesDropped(const QStringList& names);
    // Files named on the command line, to play at once.
    void commandLineNamed(const QStringList& names);
    // The list window was made; it is wired before it loads.
    void listCreated(frmList2* list);
    // The close steps have run; the program ends.
    void unloaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void placeControls();
    int toPixelsX(int twipsValue) const;
    int toPixelsY(int twipsValue) const;

    MediaPlayer* player_;
    std::array<QAbstractButton*, 3> boxes_{};
    QSlider* slider_;
    std::unique_ptr<PlayerControl> control_;
    Playback* playback_ = nullptr;
    QMenu* mnuFile_ = nullptr;
    QAction* mnuPro_ = nullptr;
    QAction* mnuSort2_ = nullptr;
    QPointer<Form2> about_; // cleared when it closes, or goes with this window
    QPointer<frmList2> list_;
    bool closing_ = false;
};
