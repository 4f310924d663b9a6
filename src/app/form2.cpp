#include "app/form2.h"

#include "app/form1.h"
#include "app/main_layout.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/window_stacking.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kVersion = QStringLiteral("Sonoquill v1.00e");
const QString kNotice = QStringLiteral("(C) 2026 Sonoquill 開発チーム");
// What a person may do with the program, as the licence asks every interactive program to say.
const QString kLicence = QStringLiteral("ライセンス: GNU GPL v3 以降（無保証）");
const QString kThanks = QStringLiteral("Qt・mpv・FluidSynth の開発者に感謝します");
const QString kMail = QStringLiteral("連絡先は同梱の README をご覧ください");

} // namespace

// The design's order from top to bottom: icon and version, the rule, the
// notice and thanks lines (and any added line), the two addresses, "OK".
// Laid out rather than placed, so that every text keeps its whole width at
// any font size or scale; the design size is the least the window takes.
Form2::Form2(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , command1_(new QPushButton(QStringLiteral("OK"), this))
    , tppX_(twips::perPixel(logicalDpiX()))
    , tppY_(twips::perPixel(logicalDpiY())) {
    setWindowTitle(QStringLiteral("about"));
    auto x = [this](int v) {
        return twips::toPixels(v, tppX_);
    };
    auto y = [this](int v) {
        return twips::toPixels(v, tppY_);
    };

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(x(172), y(225), x(172), y(210));
    column->setSpacing(y(45));

    auto* heading = new QHBoxLayout;
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setFixedSize(x(480), y(480));
    heading->addStretch();
    heading->addWidget(image);
    heading->addSpacing(x(200));
    heading->addWidget(new QLabel(kVersion, this));
    heading->addStretch();
    column->addLayout(heading);

    auto* rule = new QFrame(this); // Line1
    rule->setFrameShape(QFrame::HLine);
    rule->setFixedHeight(1);
    QPalette grey = rule->palette();
    grey.setColor(QPalette::WindowText, QColor(64, 64, 64));
    rule->setPalette(grey);
    column->addWidget(rule);

    lines_ = new QVBoxLayout;
    lines_->setContentsMargins(x(390), 0, 0, 0);
    lines_->setSpacing(y(45));
    column->addLayout(lines_);
    addLine(kNotice);
    addLine(kLicence);
    addLine(kThanks);
    addLine(mIni::LocationText());

    auto* addresses = new QGridLayout;
    addresses->setHorizontalSpacing(x(30));
    addresses->setVerticalSpacing(y(45));
    for (int i = 0; i < 2; ++i) {
        auto* t = new QLineEdit(this);
        t->setReadOnly(true);
        t->setBackgroundRole(QPalette::Window);
        QPalette pal = t->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window)); // the menu colour
        t->setPalette(pal);
        t->setMinimumWidth(x(2265));
        t->installEventFilter(this);
        text1_[static_cast<size_t>(i)] = t;
        auto* label = new QLabel(i == 0 ? QStringLiteral("url :") : QStringLiteral("mail :"), this);
        addresses->addWidget(label, i, 0, Qt::AlignRight);
        addresses->addWidget(t, i, 1);
    }
    addresses->setColumnMinimumWidth(0, x(600));
    column->addLayout(addresses);
    column->addStretch();

    command1_->setMinimumSize(x(1005), y(375));
    command1_->setDefault(true);
    column->addWidget(command1_, 0, Qt::AlignHCenter);

    setTabOrder(text1_[0], text1_[1]);
    setTabOrder(text1_[1], command1_);
    connect(command1_, &QPushButton::clicked, this, &Form2::Command1_Click);
    fitToTexts();
}

void Form2::addLine(const QString& text) {
    auto* line = new QLabel(text, this);
    lines_->addWidget(line);
    line->show(); // counted by the layout now, also in a window on screen
    fitToTexts();
}

void Form2::fitToTexts() {
    // A read-only field is as wide as its whole text.
    for (QLineEdit* t : text1_) {
        if (!t)
            continue;
        const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, t);
        t->setMinimumWidth(std::max(int(twips::toPixels(2265, tppX_)),
                                    t->fontMetrics().horizontalAdvance(t->text()) + frame + 8));
    }
    layout()->activate();
    const QSize design(twips::toPixels(kClientWidth, tppX_), twips::toPixels(kClientHeight, tppY_));
    setFixedSize(design.expandedTo(layout()->sizeHint()));
}

int Form2::Width() const {
    return static_cast<int>(width() * tppX_) + layout::kDialogNonClientWidth;
}
int Form2::Height() const {
    return static_cast<int>(height() * tppY_) + layout::kDialogNonClientHeight;
}

void Form2::Form_Load() {
    // The texts first: the window's size follows them.
    // The project's own addresses: its help page, and where to find a contact.
    text1_[0]->setText(
        QUrl::fromLocalFile(mIni::HelpPath() + QStringLiteral("help_snq.html")).toString());
    text1_[1]->setText(kMail);
    fitToTexts();
    auto* main = qobject_cast<Form1*>(parentWidget());
    if (main) {
        const QPoint at = layout::centreOver(
            QRect(main->Left(), main->Top(), main->Width(), main->Height()), Width(), Height());
        QRect frame(twips::toPixels(at.x(), tppX_), twips::toPixels(at.y(), tppY_),
                    twips::toPixels(Width(), tppX_), twips::toPixels(Height(), tppY_));
        // Centred over a main window at the screen's edge, it would stand
        // partly beyond it: moved in, whole, where the screen has room.
        if (QScreen* screen = main->screen()) {
            const QRect room = screen->availableGeometry();
            frame.moveLeft(std::clamp(frame.left(), room.left(),
                                      std::max(room.left(), room.right() + 1 - frame.width())));
            frame.moveTop(std::clamp(frame.top(), room.top(),
                                     std::max(room.top(), room.bottom() + 1 - frame.height())));
        }
        mTop::SetTopmost(frame.x(), frame.y(), frame.width(), frame.height(), this);
        move(frame.topLeft());
    }
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
