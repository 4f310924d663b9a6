#include "media/control_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr int kSliderSteps = 1000;
}

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
    position_->setToolTip(QStringLiteral("再生位置"));
    position_->setAccessibleName(position_->toolTip());
    playPause_->setFocusPolicy(Qt::TabFocus);
    stop_->setFocusPolicy(Qt::TabFocus);
    position_->setRange(0, kSliderSteps);
    position_->setPageStep(kSliderSteps / 20);
    position_->setFocusPolicy(Qt::NoFocus);
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
    // A click beside the handle pages the bar; seek to where it went.
    connect(position_, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd ||
            action == QAbstractSlider::SliderPageStepSub)
            seekToSlider();
    });
}

void ControlStrip::seekToSlider() {
    if (length_ > 0)
        emit seekRequested(length_ * position_->sliderPosition() / kSliderSteps);
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
    if (!position_->isSliderDown())
        position_->setValue(length > 0 ? static_cast<int>(kSliderSteps * position / length) : 0);
    time_->setText(length > 0 ? formatTime(position) + QStringLiteral(" / ") + formatTime(length)
                              : QString());
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
