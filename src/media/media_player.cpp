#include "media/media_player.h"

#include "media/control_strip.h"
#include "media/video_view.h"
#include "media/volume.h"
#include "platform/twips.h"

#include <QContextMenuEvent>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// How often the position bar and the time follow playback.
constexpr int kClockMs = 250;

} // namespace

MediaPlayer::MediaPlayer(QWidget* parent)
    : QWidget(parent)
    , pictureArea_(new QWidget(this))
    , strip_(new ControlStrip(this))
    , clock_(new QTimer(this))
    , session_(new MediaSession(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(pictureArea_, 1);
    column->addWidget(strip_);
    setFocusPolicy(Qt::TabFocus);
    // Until a file shows a picture, the picture area is a plain black
    // surface: the picture output (OpenGL above all) costs time and memory.
    pictureArea_->setAutoFillBackground(true);
    QPalette black = pictureArea_->palette();
    black.setColor(QPalette::Window, Qt::black);
    pictureArea_->setPalette(black);
    pictureArea_->installEventFilter(this);
    resize(twips::toPixels(kDesignWidth, twipsPerPixelX()),
           twips::toPixels(kDesignHeight, twipsPerPixelY()));
    strip_->setStatus(statusText());

    connect(session_, &MediaSession::stateChanged, this, &MediaPlayer::showState);
    connect(session_, &MediaSession::engineStarted, this, &MediaPlayer::attachEngine);
    connect(session_, &MediaSession::entryLoaded, this, [this](bool picture) {
        if (picture)
            showPicture();
    });
    connect(session_, &MediaSession::heardChanged, this, &MediaPlayer::refreshTime);
    connect(session_, &MediaSession::EndOfStream, this, [this] { emit EndOfStream(0); });
    connect(session_, &MediaSession::NextStarted, this, &MediaPlayer::NextStarted);
    connect(session_, &MediaSession::PassEnded, this, &MediaPlayer::PassEnded);
    clock_->setInterval(kClockMs);
    connect(clock_, &QTimer::timeout, this, &MediaPlayer::refreshTime);
    connect(strip_, &ControlStrip::playPauseClicked, this, &MediaPlayer::playPause);
    connect(strip_, &ControlStrip::stopClicked, this, &MediaPlayer::Stop);
    connect(strip_, &ControlStrip::seekRequested, this, &MediaPlayer::seekTo);
}

MediaPlayer::~MediaPlayer() {
    if (view_)
        view_->detach();
}

double MediaPlayer::twipsPerPixelX() const {
    return twips::perPixel(logicalDpiX());
}
double MediaPlayer::twipsPerPixelY() const {
    return twips::perPixel(logicalDpiY());
}

int MediaPlayer::Width() const {
    return static_cast<int>(width() * twipsPerPixelX());
}
int MediaPlayer::Height() const {
    return static_cast<int>(height() * twipsPerPixelY());
}

void MediaPlayer::setWidth(int twipsValue) {
    resize(twips::toPixels(twipsValue, twipsPerPixelX()), height());
}

void MediaPlayer::setFileName(const QString& path) {
    picture_ = QSize();
    session_->setFileName(path);
}

void MediaPlayer::Stop() {
    session_->Stop();
}

void MediaPlayer::setPlayCount(int count) {
    playCount_ = count;
    session_->setPlayCount(count);
}

void MediaPlayer::setMute(bool mute) {
    mute_ = mute;
    session_->setMute(mute);
}

void MediaPlayer::setVolume(int hundredthsOfDecibel) {
    volume_ = hundredthsOfDecibel;
    session_->setEngineVolume(volume::engineVolume(volume_));
}

void MediaPlayer::playPause() {
    session_->playPause();
}

void MediaPlayer::Play() {
    if (state() != State::Playing)
        playPause();
}

void MediaPlayer::Pause() {
    if (state() == State::Playing)
        playPause();
}

double MediaPlayer::CurrentPosition() const {
    return session_->position();
}

void MediaPlayer::setCurrentPosition(double seconds) {
    if (state() == State::Playing || state() == State::Paused)
        seekTo(std::max(0.0, seconds));
}

void MediaPlayer::seekTo(double seconds) {
    if (state() != State::Playing && state() != State::Paused)
        return;
    session_->seek(seconds);
    // The engine moves there a moment later; a paused player's clock does not
    // tick, so the time shows the new place now.
    if (state() == State::Paused)
        strip_->setTime(seconds, session_->duration());
    emit seeked(seconds);
}

double MediaPlayer::Duration() const {
    return session_->duration();
}

// Not at start: the idle player stays small (the libraries would double its
// memory), and a file on its way gives them time enough to load.
void MediaPlayer::prepareEngine() {
    session_->prepareEngine();
}

void MediaPlayer::attachEngine(Engine* engine) {
    engine->setParent(session_);
    connect(engine, &Engine::pictureSizeChanged, this, &MediaPlayer::fitToPicture);
}

// The picture output (an OpenGL context above all) costs hundreds of
// milliseconds; a file of sound only never pays for it.
void MediaPlayer::showPicture() {
    if (view_ || MediaSession::engineOptions().nullOutputs)
        return;
    view_.reset(VideoView::create(this));
    QWidget* shown = view_->widget();
    delete layout()->replaceWidget(pictureArea_, shown);
    pictureArea_->hide();
    shown->installEventFilter(this);
    shown->show();
    view_->attach(session_->engine());
}

void MediaPlayer::fitToPicture(QSize picture) {
    picture_ = picture;
    if (!picture.isEmpty())
        showPicture();
    const int strip = strip_->sizeHint().height();
    if (picture.isEmpty()) {
        // A native picture window (a subsurface under Wayland) would keep
        // its last frame over the window until it is hidden.
        if (view_)
            view_->widget()->hide();
        resize(width(), strip); // sound only: the strip alone
        return;
    }
    if (view_)
        view_->widget()->show();
    // A picture larger than the screen is scaled down to fit, keeping its shape.
    if (QScreen* screen = this->screen()) {
        const QSize room = screen->availableGeometry().size() - QSize(40, 120 + strip);
        if (picture.width() > room.width() || picture.height() > room.height())
            picture.scale(room, Qt::KeepAspectRatio);
    }
    const int minWidth = twips::toPixels(kDesignWidth, twipsPerPixelX());
    resize(std::max(picture.width(), minWidth), picture.height() + strip);
}

void MediaPlayer::showState(State state) {
    if (state == State::Failed)
        picture_ = QSize();
    strip_->setPlaying(state == State::Playing || state == State::Opening);
    strip_->setStatus(statusText());
    // The clock ticks only while the position moves: an idle or paused
    // player never wakes up for it.
    if (state == State::Playing) {
        if (!clock_->isActive())
            clock_->start();
    } else {
        clock_->stop();
        if (state == State::Paused)
            refreshTime();
        else if (state != State::Ended)
            strip_->setTime(0, 0);
    }
    emit stateChanged(state);
}

void MediaPlayer::refreshTime() {
    if (state() == State::Playing || state() == State::Paused)
        strip_->setTime(session_->position(), session_->duration());
}

QString MediaPlayer::statusText() const {
    switch (state()) {
    case State::Ready:
        return QStringLiteral("準備完了");
    case State::Opening:
        return QStringLiteral("開いています...");
    case State::Playing:
        return QStringLiteral("再生中");
    case State::Paused:
        return QStringLiteral("一時停止");
    case State::Stopped:
        return QStringLiteral("停止");
    case State::Ended:
        return QStringLiteral("再生終了");
    case State::Failed:
        switch (session_->failure()) {
        case MediaSession::Failure::NoEngine:
            return QStringLiteral("再生エンジンを開始できません");
        case MediaSession::Failure::Missing:
            return QStringLiteral("ファイルが見つかりません");
        case MediaSession::Failure::Unreadable:
            return QStringLiteral("ファイルを読み込めません");
        case MediaSession::Failure::Format:
            return QStringLiteral("この形式は再生できません");
        }
    }
    return {};
}

QString MediaPlayer::timeText() const {
    return strip_->timeText();
}

bool MediaPlayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pictureArea_ || (view_ && watched == view_->widget())) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            // A click on the picture plays or pauses. The release that ends a
            // double-click reports it instead: a window changed before it
            // would lose it.
            if (std::exchange(doubleClicked_, false))
                emit pictureDoubleClicked();
            else
                playPause();
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            playPause(); // undoes its first click's
            doubleClicked_ = true;
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            showContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MediaPlayer::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        playPause();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MediaPlayer::showContextMenu(const QPoint& globalPos) {
    QMenu menu(this);
    QAction* play = menu.addAction(state() == State::Playing ? QStringLiteral("一時停止(&P)")
                                                             : QStringLiteral("再生(&P)"));
    QAction* stop = menu.addAction(QStringLiteral("停止(&S)"));
    play->setEnabled(!FileName().isEmpty());
    stop->setEnabled(state() == State::Playing || state() == State::Paused);
    QAction* chosen = menu.exec(globalPos);
    if (chosen == play)
        playPause();
    else if (chosen == stop)
        Stop();
}
