#include "app/form1.h"

#include "app/drop_hook.h"
#include "app/form2.h"
#include "app/main_layout.h"
#include "app/wiring.h"
#include "dialogs/running_dialogs.h"
#include "media/file_properties.h"
#include "media/media_player.h"
#include "platform/numbers.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "platform/twips.h"
#include "platform/window_stacking.h"
#include "playback/playback.h"
#include "playlist/frm_list2.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QToolButton>

#include <cmath>

// The icon and other resources live in the library; link them in.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

// The client area, with the etched edge (Line1, Line2) along its top.
class EtchedClient : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(0, 0, width(), 0);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(0, 1, width(), 1);
    }
};

int toTwips(int pixels, double tpp) {
    return static_cast<int>(std::lround(pixels * tpp));
}

} // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent)
    , player_(nullptr)
    , slider_(nullptr) {
    initResources();
    setWindowTitle(QStringLiteral("Sonoquill"));
    setWindowIcon(QIcon(QStringLiteral(":/sonoquill.svg")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    auto* client = new EtchedClient(this);
    setCentralWidget(client);

    player_ = new MediaPlayer(client);
    player_->move(0, 0);
    // The boxes are drawn as toggle buttons: their designed width leaves no
    // room for a check mark beside the caption.
    static const char* const captions[] = {"&Top", "&Rpt", "&Mute"};
    static const char* const tips[] = {"常に手前に表示", "リピート", "消音"};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QToolButton(client);
        box->setText(QString::fromLatin1(captions[i]));
        box->setToolTip(QString::fromUtf8(tips[i]));
        box->setAccessibleName(QString::fromUtf8(tips[i]));
        box->setCheckable(true);
        box->setFocusPolicy(Qt::StrongFocus);
        boxes_[static_cast<size_t>(i)] = box;
        connect(box, &QAbstractButton::toggled, this, [this, i] { chkCou_Click(i); });
    }
    slider_ = new QSlider(Qt::Horizontal, client);
    slider_->setRange(0, 100);
    slider_->setSingleStep(5);
    slider_->setPageStep(20);
    slider_->setTickPosition(QSlider::NoTicks);
    slider_->setToolTip(QStringLiteral("音量"));
    slider_->setAccessibleName(QStringLiteral("音量"));
    player_->setAccessibleName(QStringLiteral("プレーヤー"));
    // The box still keeps its value where the window system cannot keep a
    // window above others; the person is told so.
    if (!mTop::canKeepOnTop())
        boxes_[0]->setToolTip(boxes_[0]->toolTip() +
                              QStringLiteral("（この画面環境では効果がありません）"));
    connect(slider_, &QSlider::valueChanged, this, &Form1::Sl1_Change);

    // Tab order: "&Top", "&Rpt", the player, "&Mute", the slider.
    setTabOrder(boxes_[0], boxes_[1]);
    setTabOrder(boxes_[1], player_);
    setTabOrder(player_, boxes_[2]);
    setTabOrder(boxes_[2], slider_);

    menuBar()->setNativeMenuBar(false); // the layout counts the bar in the window
    buildMenus();
    // The window follows the player whenever the player's size changes.
    player_->installEventFilter(this);
    setHeight(player_->Height() + 1000);
    setWidth(player_->Width() + 100);
    control_ = controlOf(player_);
    playback_ = new Playback(control_.get(), this);
    wireUp(*this);
}

Form1::~Form1() {
    // Windows still loaded go with the program, without their close steps.
    delete list_.data();
}

frmList2* Form1::playlistWindow() const {
    return list_.data();
}

void Form1::buildMenus() {
    mnuFile_ = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    mnuPro_ = mnuFile_->addAction(QStringLiteral("ファイルのプロパティを表示(&P)"));
    mnuFile_->addSeparator(); // mnuSepaF
    QAction* mnuList = mnuFile_->addAction(QStringLiteral("終了(&X)"));
    connect(mnuFile_, &QMenu::aboutToShow, this, &Form1::mnuFile_Click);
    connect(mnuPro_, &QAction::triggered, this, &Form1::mnuPro_Click);
    connect(mnuList, &QAction::triggered, this, &Form1::mnuList_Click);

    QMenu* mnuEdit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    mnuSort2_ = mnuEdit->addAction(QStringLiteral("リストを表示(&L)"));
    mnuSort2_->setCheckable(true);
    mnuSort2_->setShortcut(Qt::Key_F12);
    // The tick is the record of a shown list; the menu turns it over first.
    connect(mnuSort2_, &QAction::triggered, this, &Form1::mnuSort2_Click);

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    QAction* mnuHelp2 = mnuHelp->addAction(QStringLiteral("ヘルプ(&H)"));
    mnuHelp2->setShortcut(Qt::Key_F1);
    mnuHelp->addSeparator(); // mnuSepa
    QAction* mnuAbout = mnuHelp->addAction(QStringLiteral("バージョン情報(&A)"));
    connect(mnuHelp2, &QAction::triggered, this, &Form1::mnuHelp2_Click);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

double Form1::twipsPerPixelX() const {
    return twips::perPixel(logicalDpiX());
}
double Form1::twipsPerPixelY() const {
    return twips::perPixel(logicalDpiY());
}
int Form1::toPixelsX(int v) const {
    return twips::toPixels(v, twipsPerPixelX());
}
int Form1::toPixelsY(int v) const {
    return twips::toPixels(v, twipsPerPixelY());
}

int Form1::Left() const {
    return toTwips(frameGeometry().x(), twipsPerPixelX());
}
int Form1::Top() const {
    return toTwips(frameGeometry().y(), twipsPerPixelY());
}
// The client area is the window less its menu bar, laid out or not yet.
int Form1::Width() const {
    return toTwips(width(), twipsPerPixelX()) + layout::kNonClientWidth;
}
int Form1::Height() const {
    const int client = height() - menuBar()->sizeHint().height();
    return toTwips(client, twipsPerPixelY()) + layout::kNonClientHeight;
}

void Form1::setLeft(int v) {
    move(toPixelsX(v), frameGeometry().y());
}
void Form1::setTop(int v) {
    move(frameGeometry().x(), toPixelsY(v));
}

void Form1::setWidth(int v) {
    const int client = std::max(0, toPixelsX(v - layout::kNonClientWidth));
    if (width() != client)
        setFixedSize(client, height());
}

void Form1::setHeight(int v) {
    const int client = std::max(0, toPixelsY(v - layout::kNonClientHeight));
    const int menu = menuBar()->sizeHint().height();
    if (client + menu != height())
        setFixedSize(width(), client + menu);
}

int Form1::WindowState() const {
    if (isMinimized())
        return vbMinimized;
    if (isMaximized())
        return vbMaximized;
    return vbNormal;
}

int Form1::chkValue(int index) const {
    return chkCou(index)->isChecked() ? 1 : 0;
}

void Form1::setChkValue(int index, int value) {
    // Only the two values of a box exist; anything else is refused.
    if (value == 0 || value == 1)
        chkCou(index)->setChecked(value == 1);
}

void Form1::Form_Load(const QStringList& commandLine) {
    mdHeaven::HookWindow(this);

    // From here a failing step is skipped: the window always opens.
    int top = 0, left = 0;
    if (auto v = numbers::toInt32(mIni::ReadSetting(mIni::kSection, mIni::key::WindowTop)))
        top = *v;
    if (auto v = numbers::toInt32(mIni::ReadSetting(mIni::kSection, mIni::key::WindowLeft)))
        left = *v;
    setWidth(player_->Width() + 100);
    // A place stored on a screen that is gone would hide the window.
    QRect desktop;
    for (QScreen* s : QGuiApplication::screens())
        desktop |= s->availableGeometry();
    QPoint at(toPixelsX(left), toPixelsY(top));
    if (!desktop.isEmpty() && !desktop.contains(at))
        at = QPoint(
            std::clamp(at.x(), desktop.left(), std::max(desktop.left(), desktop.right() - 100)),
            std::clamp(at.y(), desktop.top(), std::max(desktop.top(), desktop.bottom() - 100)));
    move(at);

    auto readFlag = [](const QString& key) {
        return numbers::toInt32(mIni::ReadSetting(mIni::kSection, key)).value_or(0);
    };
    const int onTop = readFlag(mIni::key::AlwaysOnTop);
    const int repeat = readFlag(mIni::key::Repeat);
    const int vol = readFlag(mIni::key::Volume);
    const int mute = readFlag(mIni::key::Mute);
    setChkValue(2, mute);
    if (vol >= slider_->minimum() && vol <= slider_->maximum())
        slider_->setValue(vol);
    setChkValue(0, onTop);
    setChkValue(1, repeat);
    player_->setVolume(27 * slider_->value() - 2700);

    if (!commandLine.isEmpty())
        OpenCommandLine(commandLine);
}

// Each name opens in turn; the last stays playing and names the caption.
void Form1::OpenCommandLine(const QStringList& names) {
    if (!names.isEmpty())
        emit commandLineNamed(names);
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
        Timer1_Timer(); // the player may have changed while minimized
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == player_ && event->type() == QEvent::Resize)
        Timer1_Timer();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Form_Resize() {
    if (WindowState() == vbNormal)
        setHeight(player_->Height() + 1000);
    if (WindowState() != vbMinimized)
        placeControls();
    centralWidget()->update(); // the etched edge spans the new width
}

void Form1::placeControls() {
    const layout::MainControls c = layout::mainControls(Width(), Height());
    auto toPixels = [this](const QRect& r) {
        return QRect(toPixelsX(r.left()), toPixelsY(r.top()), toPixelsX(r.width()),
                     toPixelsY(r.height()));
    };
    for (size_t i = 0; i < 3; ++i)
        boxes_[i]->setGeometry(toPixels(c.checkBoxes[i]));
    slider_->setGeometry(toPixels(c.slider));
}

// Fits the window to the player: run whenever the player's size changes and
// when the window comes back from the task bar, never by polling.
void Form1::Timer1_Timer() {
    if (WindowState() == vbMinimized)
        return;
    const layout::Fit fit = layout::fitToPlayer(player_->Width(), player_->Height());
    if (fit.playerWidth != player_->Width())
        player_->setWidth(fit.playerWidth);
    setHeight(fit.height);
    setWidth(player_->Width() + 100);
}

void Form1::chkCou_Click(int index) {
    switch (index) {
    case 0: {
        const int x = twips::toPixels(Left(), twipsPerPixelX());
        const int y = twips::toPixels(Top(), twipsPerPixelY());
        const int cx = twips::toPixels(Width(), twipsPerPixelX());
        const int cy = twips::toPixels(Height(), twipsPerPixelY());
        if (chkValue(0) == 1)
            mTop::SetTopmost(x, y, cx, cy, this);
        else
            mTop::ClearTopmost(x, y, cx, cy, this);
        break;
    }
    case 1:
        player_->setPlayCount(chkValue(1) == 1 ? 0 : 1);
        if (isVisible())
            setFocus();
        break;
    case 2:
        player_->setMute(chkValue(2) == 1);
        break;
    default:
        break;
    }
}

void Form1::Sl1_Change() {
    player_->setVolume(27 * slider_->value() - 2700);
}

void Form1::mnuFile_Click() {
    mnuPro_->setEnabled(!player_->FileName().isEmpty());
}

void Form1::mnuPro_Click() {
    mdProperty::ShowFileProperties(player_->FileName(), this);
}

void Form1::mnuList_Click() {
    close();
}

void Form1::mnuSort2_Click() {
    // The tick was already turned over: it now says what the list becomes.
    if (!mnuSort2_->isChecked()) {
        if (list_)
            list_->hide();
        return;
    }
    if (!list_) {
        list_ = new frmList2(this);
        emit listCreated(list_);
        list_->Form_Load();
    }
    list_->show();
}

void Form1::mnuHelp2_Click() {
    QDir::setCurrent(mIni::HelpPath());
    shell::openDocument(QStringLiteral("help_snq.html"));
}

void Form1::mnuAbout_Click() {
    if (!about_) {
        about_ = new Form2(this);
        about_->setAttribute(Qt::WA_DeleteOnClose);
        about_->Form_Load();
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        // A quit that comes while a dialog runs (the session's end, a signal,
        // the media interface) answers the dialog Cancel first.
        CancelRunningDialogs();
        Form_QueryUnload();
        Form_Unload();
    }
    event->accept();
}

void Form1::Form_QueryUnload() {
    mdHeaven::UnhookWindow(this);
}

void Form1::Form_Unload() {
    using namespace mIni;
    // A hidden list window closes too, so an edited filter list is kept. It
    // is freed with this window, at the program's end: code that ran a
    // cancelled dialog of its own may still be on the way back into it.
    if (list_) {
        list_->setAttribute(Qt::WA_DeleteOnClose, false);
        list_->close();
    }
    WriteSetting(kSection, key::AlwaysOnTop, QString::number(chkValue(0)));
    WriteSetting(kSection, key::Repeat, QString::number(chkValue(1)));
    WriteSetting(kSection, key::Volume, QString::number(slider_->value()));
    WriteSetting(kSection, key::Mute, QString::number(chkValue(2)));
    if (WindowState() != vbMinimized) {
        WriteSetting(kSection, key::WindowTop, numbers::toText(Top()));
        WriteSetting(kSection, key::WindowLeft, numbers::toText(Left()));
    }
    Flush();
    player_->Stop();
    emit unloaded();
}
