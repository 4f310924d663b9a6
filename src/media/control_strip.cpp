#include "media/control_strip.h"

#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QProxyStyle>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The bar counts milliseconds; arrows move 5 s, page keys a twentieth.
constexpr int kMsPerSecond = 1000;
constexpr int kArrowStepMs = 5000;
const QString kBarName = QStringLiteral("positionBar");

// A left click puts the handle where it lands, as the help page tells.
class ClickToPlaceStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// The bar as assistive tools see it: its value in seconds, its description
// the time text ("1:23 / 4:56"); setting the value seeks.
class PositionBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PositionBarAccessible(QSlider* bar)
        : QAccessibleWidget(bar, QAccessible::Slider) {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return bar()->value() / double(kMsPerSecond); }
    void setCurrentValue(const QVariant& seconds) override {
        bar()->setSliderPosition(static_cast<int>(std::lround(seconds.toDouble() * kMsPerSecond)));
        bar()->triggerAction(QAbstractSlider::SliderMove);
    }
    QVariant maximumValue() const override { return bar()->maximum() / double(kMsPerSecond); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return kArrowStepMs / double(kMsPerSecond); }

private:
    QSlider* bar() const { return static_cast<QSlider*>(widget()); }
};

QAccessibleInterface* positionBarAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("QSlider") && object->objectName() == kBarName)
        return new PositionBarAccessible(static_cast<QSlider*>(object));
    return nullptr;
}

} // namespace

ControlStrip::ControlStrip(QWidget* parent)
    : QWidget(parent)
    , playPause_(new QToolButton(this))
    , stop_(new QToolButton(this))
    , position_(new QSlider(Qt::Horizontal, this))
    , status_(new QLabel(this))
    , time_(new QLabel(this)) {
    playPause_->setAutoRaise(true);
    stop_->setAutoRaise(true);
    stop_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    stop_->setToolTip(QStringLiteral("停止"));
    stop_->setAccessibleName(stop_->toolTip());
    // Named, and its factory known, before anything asks for its accessible interface.
    position_->setObjectName(kBarName);
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(positionBarAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    position_->setToolTip(QStringLiteral("再生位置"));
    position_->setAccessibleName(position_->toolTip());
    auto* placing = new ClickToPlaceStyle;
    placing->setParent(this); // outlives the bar, made before it goes
    position_->setStyle(placing);
    playPause_->setFocusPolicy(Qt::TabFocus);
    stop_->setFocusPolicy(Qt::TabFocus);
    position_->setRange(0, 0);
    position_->setSingleStep(kArrowStepMs);
    // Each way of moving it seeks once: a drag through sliderMoved, the
    // others through their action (placing it does not act by itself).
    position_->setTracking(false);
    position_->setFocusPolicy(Qt::StrongFocus);
    position_->setEnabled(false);
    playIcon_ = style()->standardIcon(QStyle::SP_MediaPlay);
    setPlaying(false);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(2, 0, 2, 0);
    buttons->setSpacing(0);
    buttons->addWidget(playPause_);
    buttons->addWidget(stop_);
    buttons->addWidget(position_, 1);

    auto* statusBar = new QHBoxLayout;
    statusBar->setContentsMargins(4, 0, 4, 2);
    statusBar->addWidget(status_, 1);
    statusBar->addWidget(time_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(buttons);
    column->addLayout(statusBar);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(playPause_, &QToolButton::clicked, this, &ControlStrip::playPauseClicked);
    connect(stop_, &QToolButton::clicked, this, &ControlStrip::stopClicked);
    connect(position_, &QSlider::sliderMoved, this, [this] { seekToSlider(); });
    // A click, a key, the wheel or an assistive tool moved it.
    connect(position_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderNoAction)
            seekToSlider();
    });
}

void ControlStrip::seekToSlider() {
    if (length_ > 0)
        emit seekRequested(position_->sliderPosition() / double(kMsPerSecond));
}

void ControlStrip::setPlaying(bool playing) {
    if (playing && pauseIcon_.isNull()) // not before it is needed: start-up stays lean
        pauseIcon_ = style()->standardIcon(QStyle::SP_MediaPause);
    playPause_->setIcon(playing ? pauseIcon_ : playIcon_);
    playPause_->setToolTip(playing ? QStringLiteral("一時停止") : QStringLiteral("再生"));
    playPause_->setAccessibleName(playPause_->toolTip());
}

void ControlStrip::setStatus(const QString& text) {
    status_->setText(text);
}

void ControlStrip::setTime(double position, double length) {
    length_ = length;
    position_->setEnabled(length > 0);
    const double known = std::clamp(length, 0.0, 1e6); // to the millisecond in an int
    const int lengthMs = static_cast<int>(known * kMsPerSecond);
    if (position_->maximum() != lengthMs) {
        position_->setMaximum(lengthMs);
        position_->setPageStep(std::max(kArrowStepMs, lengthMs / 20));
    }
    if (!position_->isSliderDown())
        position_->setValue(static_cast<int>(std::clamp(position, 0.0, known) * kMsPerSecond));
    time_->setText(length > 0 ? formatTime(position) + QStringLiteral(" / ") + formatTime(length)
                              : QString());
    position_->setAccessibleDescription(time_->text());
}

QString ControlStrip::statusText() const {
    return status_->text();
}
QString ControlStrip::timeText() const {
    return time_->text();
}

QString ControlStrip::formatTime(double seconds) {
    const auto total = static_cast<long long>(std::max(0.0, std::floor(seconds)));
    const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}
