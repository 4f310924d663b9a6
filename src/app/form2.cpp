#include "app/form2.h"

#include "app/form1.h"
#include "app/main_layout.h"
#include "app/settings.h"
#include "platform/twips.h"
#include "platform/window_stacking.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace {

const QString kVersion = QStringLiteral("Sonoquill v1.00e");
const QString kNotice = QStringLiteral("(C) 2026 Sonoquill 開発チーム");
const QString kThanks = QStringLiteral("Qt・mpv・FluidSynth の開発者に感謝します");
const QString kMail = QStringLiteral("連絡先は同梱の README をご覧ください");

} // namespace

Form2::Form2(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , command1_(new QPushButton(QStringLiteral("OK"), this))
    , tppX_(twips::perPixel(logicalDpiX()))
    , tppY_(twips::perPixel(logicalDpiY())) {
    setWindowTitle(QStringLiteral("about"));
    auto px = [this](int l, int t, int w, int h) {
        return QRect(twips::toPixels(l, tppX_), twips::toPixels(t, tppY_),
                     twips::toPixels(w, tppX_), twips::toPixels(h, tppY_));
    };
    setFixedSize(px(0, 0, kClientWidth, kClientHeight).size());

    auto label = [&](const QString& text, const QRect& r) {
        auto* l = new QLabel(text, this);
        l->setGeometry(r.adjusted(0, -2, 40, 2)); // room for the platform's font
        return l;
    };
    label(kVersion, px(1305, 390, 1275, 180));
    for (int i = 0; i < 2; ++i) {
        auto* t = new QLineEdit(this);
        t->setReadOnly(true);
        t->setBackgroundRole(QPalette::Window);
        QPalette pal = t->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window)); // the menu colour
        t->setPalette(pal);
        t->installEventFilter(this);
        text1_[static_cast<size_t>(i)] = t;
    }
    text1_[0]->setGeometry(px(772, 1575, 2265, 270));
    text1_[1]->setGeometry(px(772, 1890, 2265, 270));
    command1_->setGeometry(px(1215, 2385, 1005, 375));
    command1_->setDefault(true);
    label(QStringLiteral("url :"), px(457, 1620, 285, 180));
    label(QStringLiteral("mail :"), px(337, 1935, 405, 180));
    label(kNotice, px(562, 990, 1890, 180));
    label(kThanks, px(562, 1215, 2325, 180));
    auto* image = new QLabel(this);
    image->setGeometry(px(622, 225, 480, 480));
    image->setObjectName(QStringLiteral("Image1"));

    setTabOrder(text1_[0], text1_[1]);
    setTabOrder(text1_[1], command1_);
    connect(command1_, &QPushButton::clicked, this, &Form2::Command1_Click);
}

int Form2::Width() const {
    return static_cast<int>(width() * tppX_) + layout::kDialogNonClientWidth;
}
int Form2::Height() const {
    return static_cast<int>(height() * tppY_) + layout::kDialogNonClientHeight;
}

void Form2::Form_Load() {
    auto* main = qobject_cast<Form1*>(parentWidget());
    if (main) {
        const QPoint at = layout::centreOver(
            QRect(main->Left(), main->Top(), main->Width(), main->Height()), Width(), Height());
        mTop::SetTopmost(twips::toPixels(at.x(), tppX_), twips::toPixels(at.y(), tppY_),
                         twips::toPixels(Width(), tppX_), twips::toPixels(Height(), tppY_), this);
        move(twips::toPixels(at.x(), tppX_), twips::toPixels(at.y(), tppY_));
    }
    // The project's own addresses: its help page, and where to find a contact.
    text1_[0]->setText(
        QUrl::fromLocalFile(mIni::AppPath() + QStringLiteral("help_snq.html")).toString());
    text1_[1]->setText(kMail);
    if (auto* image = findChild<QLabel*>(QStringLiteral("Image1")))
        image->setPixmap(windowIcon().pixmap(image->size()));
    text1_[0]->setFocus();
}

void Form2::Command1_Click() {
    close();
}

void Form2::Text1_GotFocus(int index) {
    QLineEdit* t = Text1(index);
    // After the focus event, so a click that gave the focus keeps the selection.
    QTimer::singleShot(0, t, [t] { t->selectAll(); });
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < 2; ++i)
            if (watched == text1_[static_cast<size_t>(i)])
                Text1_GotFocus(i);
    }
    return QDialog::eventFilter(watched, event);
}

void Form2::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Line1: the rule between the heading and the text.
    QPainter p(this);
    p.setPen(QColor(64, 64, 64));
    const int y = twips::toPixels(840, tppY_);
    p.drawLine(twips::toPixels(172, tppX_), y, twips::toPixels(3187, tppX_), y);
}
