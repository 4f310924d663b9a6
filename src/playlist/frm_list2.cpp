#include "playlist/frm_list2.h"

#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/window_stacking.h"
#include "playlist/grid_view.h"
#include "playlist/list_accessibility.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

#include <cmath>

Q_LOGGING_CATEGORY(lcList, "sonoquill.list", QtWarningMsg)

namespace {

struct ButtonDesign {
    int left, top, width;
    const char* caption;
    const char* tip;
    const char* name; // read by screen readers where there is no tip
};

// Design positions in twips; the Lefts follow the window's width at resize.
constexpr ButtonDesign kButtons[10] = {
    {5085, 45, 780, "Default", nullptr, "既定のフィルター"},
    {5085, 360, 780, "Sort", "名前順に並べ替え", nullptr},
    {5085, 630, 390, "▲", "ファイルを一つ上へ", nullptr},
    {5475, 630, 390, "▼", "ファイルを一つ下へ", nullptr},
    {5085, 900, 780, "Remove", "削除", nullptr},
    {5085, 1170, 780, "Reset", "全削除", nullptr},
    {5085, 1890, 780, "Save", "リストを保存", nullptr},
    {5085, 2160, 780, "Load", "リスト読み込み", nullptr},
    {5085, 2970, 780, "Restore", nullptr, "スナップショットを復元"},
    {5085, 2700, 780, "Snap", nullptr, "スナップショットを保存"},
};
constexpr int kButtonHeight = 255;
constexpr int kDesignClientWidth = 5895, kDesignClientHeight = 3375;

} // namespace

frmList2::frmList2(QWidget* main)
    : QWidget(nullptr, Qt::Window)
    , main_(main)
    , grid_(QChar(u'/')) {
    installListAccessibility();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kDesignCaption);
    setWindowIcon(main ? main->windowIcon() : QIcon());
    buildControls();
    resize(twips::toPixels(kDesignClientWidth, tppX()),
           twips::toPixels(kDesignClientHeight, tppY()));
    setMinimumHeight(twips::toPixels(kMinHeight - kNonClientHeight, tppY()));
}

frmList2::~frmList2() = default;

double frmList2::tppX() const {
    return twips::perPixel(logicalDpiX());
}
double frmList2::tppY() const {
    return twips::perPixel(logicalDpiY());
}

QPoint frmList2::toPixels(int leftTwips, int topTwips) const {
    return {twips::toPixels(leftTwips, tppX()), twips::toPixels(topTwips, tppY())};
}

void frmList2::buildControls() {
    text2_ = new QLineEdit(this);
    text2_->setAccessibleName(QStringLiteral("フォルダーから追加するファイルの種類"));
    text2_->resize(twips::toPixels(4975, tppX()), twips::toPixels(285, tppY()));
    text2_->move(toPixels(45, 45));

    view_ = new GridView(&grid_, this);
    view_->setAccessibleName(QStringLiteral("プレイリスト"));
    view_->move(toPixels(45, 360));
    view_->resize(twips::toPixels(4990, tppX()), twips::toPixels(3000, tppY()));

    QFont small = font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
    for (int i = 0; i < 10; ++i) {
        const ButtonDesign& d = kButtons[i];
        auto* b = new QPushButton(QString::fromUtf8(d.caption), this);
        b->setFont(small);
        b->setStyleSheet(QStringLiteral("padding: 0px;"));
        if (d.tip)
            b->setToolTip(QString::fromUtf8(d.tip));
        b->setAccessibleName(QString::fromUtf8(d.tip ? d.tip : d.name));
        b->move(toPixels(d.left, d.top));
        b->resize(twips::toPixels(d.width, tppX()), twips::toPixels(kButtonHeight, tppY()));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, i] { cmd_Click(i); });
        cmd_[static_cast<size_t>(i)] = b;
    }
    // Tab order: the filter, Default, the grid, then the commands; Snap
    // before Restore.
    QWidget* order[] = {text2_,  cmd_[0], view_,   cmd_[1], cmd_[2], cmd_[3],
                        cmd_[4], cmd_[5], cmd_[6], cmd_[7], cmd_[9], cmd_[8]};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    mnuFile_ = new QMenu(QStringLiteral("ファイル(&F)"), this);
    mnuProperty_ = mnuFile_->addAction(QStringLiteral("ファイルのプロパティを表示(&P)"));
    mnuFile_->addSeparator(); // mnuSepa
    mnuDelete_ = mnuFile_->addAction(QStringLiteral("ファイルをゴミ箱へ移動(&R)"));
    connect(mnuFile_, &QMenu::aboutToShow, this, &frmList2::mnuFile_Click);
    connect(mnuProperty_, &QAction::triggered, this, &frmList2::mnuProperty_Click);
    connect(mnuDelete_, &QAction::triggered, this, &frmList2::mnuDelete_Click);

    connect(view_, &GridView::MouseDown, this, &frmList2::Grid1_MouseDown);
    connect(view_, &GridView::MouseMove, this, &frmList2::Grid1_MouseMove);
    connect(view_, &GridView::MouseUp, this, &frmList2::Grid1_MouseUp);
    connect(view_, &GridView::KeyDown, this, &frmList2::Grid1_KeyDown);
    connect(view_, &GridView::KeyUp, this, &frmList2::Grid1_KeyUp);
    connect(view_, &GridView::SelChange, this, &frmList2::Grid1_SelChange);
    connect(view_, &GridView::DblClick, this, &frmList2::Grid1_DblClick);
    connect(view_, &GridView::OLEDragDrop, this, &frmList2::Grid1_OLEDragDrop);
}

int frmList2::Left() const {
    return static_cast<int>(std::lround(frameGeometry().x() * tppX()));
}
int frmList2::Top() const {
    return static_cast<int>(std::lround(frameGeometry().y() * tppY()));
}
int frmList2::ScaleWidth() const {
    return static_cast<int>(std::lround(width() * tppX()));
}
int frmList2::Width() const {
    return ScaleWidth() + kNonClientWidth;
}
int frmList2::Height() const {
    return static_cast<int>(std::lround(height() * tppY())) + kNonClientHeight;
}

void frmList2::setHeight(int v) {
    resize(width(), std::max(0, static_cast<int>(twips::toPixels(v - kNonClientHeight, tppY()))));
}

void frmList2::Form_Load() {
    // Centred on the screen, above all other windows (the main window's
    // "&Top" box does not touch it).
    if (QScreen* screen = main_ ? main_->screen() : QGuiApplication::primaryScreen()) {
        const QSize s = screen->geometry().size();
        const int left = (static_cast<int>(std::lround(s.width() * tppX())) - Width()) / 2;
        const int top = (static_cast<int>(std::lround(s.height() * tppY())) - Height()) / 2;
        const QPoint at = toPixels(left, top) + screen->geometry().topLeft();
        move(at);
        mTop::SetTopmost(at.x(), at.y(), twips::toPixels(Width(), tppX()),
                         twips::toPixels(Height(), tppY()), this);
    }
    const QString filter = mIni::ReadSetting(mIni::kSection, mIni::key::FilterList);
    text2_->setText(filter.isEmpty() ? mIni::kFirstRunFilterList : filter);

    view_->setColWidth(0, 5000);
    view_->setColWidth(1, Width());
    grid_.setTextMatrix(0, 0, QStringLiteral("File"));
    grid_.setTextMatrix(0, 1, QStringLiteral("Path"));
    grid_.setHighLight(1);
    grid_.setColSel(PlaylistGrid::Cols() - 1);
}

void frmList2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmList2::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmList2::Form_Resize() {
    if (isMinimized())
        return;
    const int sw = ScaleWidth();
    for (int i = 0; i < 10; ++i)
        cmd_[static_cast<size_t>(i)]->move(twips::toPixels(sw - (i == 3 ? 410 : 800), tppX()),
                                           cmd_[static_cast<size_t>(i)]->y());
    const int inner = std::max(0, static_cast<int>(twips::toPixels(sw - 880, tppX())));
    text2_->resize(inner, text2_->height());
    view_->resize(inner, std::max(0, static_cast<int>(twips::toPixels(Height() - 750, tppY()))));
    view_->setColWidth(1, Width()); // the Path column reaches past the right edge
    if (Height() < kMinHeight)
        setHeight(kMinHeight);
}

void frmList2::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmList2::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    mIni::WriteSetting(mIni::kSection, mIni::key::FilterList, text2_->text());
    emit unloaded();
}

void frmList2::showPosition(std::int32_t row) {
    setWindowTitle(QStringLiteral("%1/%2").arg(row).arg(grid_.Rows() - 1));
}

void frmList2::selectRow(std::int32_t row, bool setCol) {
    grid_.setHighLight(1);
    if (setCol)
        grid_.setCol(0);
    grid_.setRow(row);
    grid_.setColSel(1);
}

void frmList2::setBusy(bool busy, bool hourglass) {
    view_->setVisible(!busy);
    if (hourglass) {
        if (busy)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
    }
}

void frmList2::bringRowIntoView(std::int32_t row) {
    if (!view_->RowIsVisible(row))
        view_->scrollRowIntoView(row);
}

void frmList2::followEntry(std::int32_t row) {
    grid_.setRow(row);
    grid_.setColSel(1);
    bringRowIntoView(row);
    if (grid_.Row() >= view_->VisibleRows())
        view_->setTopRow(view_->TopRow() + 1);
}
