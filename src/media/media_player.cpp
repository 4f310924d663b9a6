#include "media/media_player.h"

#include "media/control_strip.h"
#include "media/video_view.h"
#include "media/volume.h"
#include "platform/engine_library.h"
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

Engine::Options& engineOptions() {
    static Engine::Options options;
    return options;
}

// How often the position bar and the time follow playback.
constexpr int kClockMs = 250;

} // namespace

void MediaPlayer::setEngineOptions(const Engine::Options& options) {
    engineOptions() = options;
}

MediaPlayer::MediaPlayer(QWidget* parent)
    : QWidget(parent)
    , pictureArea_(new QWidget(this))
    , strip_(new ControlStrip(this))
    , clock_(new QTimer(this)) {
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

    clock_->setInterval(kClockMs);
    connect(clock_, &QTimer::timeout, this, &MediaPlayer::refreshTime);
    connect(strip_, &ControlStrip::playPauseClicked, this, &MediaPlayer::playPause);
    connect(strip_, &ControlStrip::stopClicked, this, &MediaPlayer::Stop);
    connect(strip_, &ControlStrip::seekRequested, this, [this](double s) {
        if (engine_)
            seekTo(s);
    });
}

MediaPlayer::~MediaPlayer() {
    if (view_)
        view_->detach();
    delete engine_;
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
    fileName_ = path;
    nextFileName_.clear();
    picture_ = QSize();
    pauseWhenOpen_ = false;
    if (path.isEmpty()) {
        loadPending_ = false;
        if (engine_)
            engine_->stop();
        setState(State::Ready);
        return;
    }
    setState(State::Opening);
    if (engine_) {
        engine_->load(path);
    } else {
        loadPending_ = true;
        scheduleEngine();
    }
}

// Queued only while a file is loaded: the engine plays it after that one.
void MediaPlayer::setNextFileName(const QString& path) {
    nextFileName_ = path;
    if (engine_ && !loadPending_ && !fileName_.isEmpty() && !engine_->queueNext(path))
        nextFileName_.clear();
}

void MediaPlayer::Stop() {
    loadPending_ = false;
    nextFileName_.clear();
    if (engine_)
        engine_->stop();
    if (state_ != State::Ready && state_ != State::Failed)
        setState(State::Stopped);
}

void MediaPlayer::setPlayCount(int count) {
    playCount_ = count;
    if (engine_)
        engine_->setRepeats(count <= 0 ? -1 : count - 1);
}

void MediaPlayer::setMute(bool mute) {
    mute_ = mute;
    if (engine_)
        engine_->setMute(mute);
}

void MediaPlayer::setVolume(int hundredthsOfDecibel) {
    volume_ = hundredthsOfDecibel;
    if (engine_)
        engine_->setVolume(volume::engineVolume(volume_));
}

void MediaPlayer::playPause() {
    if (fileName_.isEmpty())
        return;
    switch (state_) {
    case State::Playing:
        if (engine_)
            engine_->setPaused(true);
        break;
    case State::Paused:
        if (engine_)
            engine_->setPaused(false);
        break;
    case State::Opening:
        // Still opening: the file starts paused, or not, as asked last.
        pauseWhenOpen_ = !pauseWhenOpen_;
        if (engine_)
            engine_->setPaused(pauseWhenOpen_);
        break;
    default:
        setFileName(fileName_); // stopped, ended or failed: from the start
        break;
    }
}

void MediaPlayer::Play() {
    if (state_ != State::Playing && state_ != State::Opening)
        playPause();
}

void MediaPlayer::Pause() {
    if (state_ == State::Playing && engine_)
        engine_->setPaused(true);
}

double MediaPlayer::CurrentPosition() const {
    return engine_ && (state_ == State::Playing || state_ == State::Paused) ? engine_->position()
                                                                            : 0.0;
}

void MediaPlayer::setCurrentPosition(double seconds) {
    if (engine_ && (state_ == State::Playing || state_ == State::Paused))
        seekTo(std::max(0.0, seconds));
}

void MediaPlayer::seekTo(double seconds) {
    engine_->seek(seconds);
    // The engine moves there a moment later; a paused player's clock does not
    // tick, so the time shows the new place now.
    if (state_ == State::Paused)
        strip_->setTime(seconds, engine_->duration());
    emit seeked(seconds);
}

double MediaPlayer::Duration() const {
    return engine_ ? engine_->duration() : 0.0;
}

// Not at start: the idle player stays small (the libraries would double its
// memory), and a file on its way gives them time enough to load.
void MediaPlayer::prepareEngine() {
    platform::loadEngineLibrary();
}

void MediaPlayer::scheduleEngine() {
    if (engine_ || engineScheduled_)
        return;
    // The libraries load on another thread, so the first paint of the
    // window never waits for them; settings made before are applied when
    // the engine starts.
    engineScheduled_ = true;
    auto* loading = new QFutureWatcher<void>(this);
    connect(loading, &QFutureWatcher<void>::finished, this, [this, loading] {
        loading->deleteLater();
        startEngine();
    });
    loading->setFuture(platform::loadEngineLibrary());
}

void MediaPlayer::startEngine() {
    engineScheduled_ = false;
    if (engine_)
        return;
    if (loadPending_)
        Engine::prepareFile(fileName_);
    engine_ = new Engine(engineOptions(), this);
    if (!engine_->isValid()) {
        engineMissing_ = true;
        setState(State::Failed);
        return;
    }
    engine_->setVolume(volume::engineVolume(volume_));
    engine_->setMute(mute_);
    engine_->setRepeats(playCount_ <= 0 ? -1 : playCount_ - 1);

    connect(engine_, &Engine::fileLoaded, this, [this](bool picture) {
        if (picture)
            showPicture();
        setState(pauseWhenOpen_ ? State::Paused : State::Playing);
    });
    connect(engine_, &Engine::pausedChanged, this, [this](bool paused) {
        if (state_ == State::Playing || state_ == State::Paused)
            setState(paused ? State::Paused : State::Playing);
    });
    connect(engine_, &Engine::endOfStream, this, [this] {
        setState(State::Ended);
        emit EndOfStream(0);
    });
    connect(engine_, &Engine::nextStarted, this, [this] {
        fileName_ = nextFileName_;
        nextFileName_.clear();
        pauseWhenOpen_ = false;
        emit NextStarted();
    });
    connect(engine_, &Engine::passEnded, this, &MediaPlayer::PassEnded);
    connect(engine_, &Engine::failed, this, [this](Engine::Failure f) {
        if (!engine_->hasNext())
            nextFileName_.clear(); // a failure ends the item: nothing follows it
        failure_ = f;
        picture_ = QSize();
        setState(State::Failed);
    });
    connect(engine_, &Engine::pictureSizeChanged, this, &MediaPlayer::fitToPicture);
    connect(engine_, &Engine::durationChanged, this, &MediaPlayer::refreshTime);

    if (loadPending_) {
        loadPending_ = false;
        engine_->load(fileName_);
        if (pauseWhenOpen_)
            engine_->setPaused(true);
        if (!nextFileName_.isEmpty() && !engine_->queueNext(nextFileName_))
            nextFileName_.clear();
    }
}

// The picture output (an OpenGL context above all) costs hundreds of
// milliseconds; a file of sound only never pays for it.
void MediaPlayer::showPicture() {
    if (view_ || engineOptions().nullOutputs)
        return;
    view_.reset(VideoView::create(this));
    QWidget* shown = view_->widget();
    delete layout()->replaceWidget(pictureArea_, shown);
    pictureArea_->hide();
    shown->installEventFilter(this);
    shown->show();
    view_->attach(engine_);
}

void MediaPlayer::fitToPicture(QSize picture) {
    picture_ = picture;
    if (!picture.isEmpty())
        showPicture();
    const int strip = strip_->sizeHint().height();
    if (picture.isEmpty()) {
        resize(width(), strip); // sound only: the strip alone
        return;
    }
    // A picture larger than the screen is scaled down to fit, keeping its shape.
    if (QScreen* screen = this->screen()) {
        const QSize room = screen->availableGeometry().size() - QSize(40, 120 + strip);
        if (picture.width() > room.width() || picture.height() > room.height())
            picture.scale(room, Qt::KeepAspectRatio);
    }
    const int minWidth = twips::toPixels(kDesignWidth, twipsPerPixelX());
    resize(std::max(picture.width(), minWidth), picture.height() + strip);
}

void MediaPlayer::setState(State state) {
    state_ = state;
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
    if (engine_ && (state_ == State::Playing || state_ == State::Paused))
        strip_->setTime(engine_->position(), engine_->duration());
}

QString MediaPlayer::statusText() const {
    switch (state_) {
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
        if (engineMissing_)
            return QStringLiteral("再生エンジンを開始できません");
        switch (failure_) {
        case Engine::Failure::Missing:
            return QStringLiteral("ファイルが見つかりません");
        case Engine::Failure::Unreadable:
            return QStringLiteral("ファイルを読み込めません");
        case Engine::Failure::Format:
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
    QAction* play = menu.addAction(state_ == State::Playing ? QStringLiteral("一時停止(&P)")
                                                            : QStringLiteral("再生(&P)"));
    QAction* stop = menu.addAction(QStringLiteral("停止(&S)"));
    play->setEnabled(!fileName_.isEmpty());
    stop->setEnabled(state_ == State::Playing || state_ == State::Paused);
    QAction* chosen = menu.exec(globalPos);
    if (chosen == play)
        playPause();
    else if (chosen == stop)
        Stop();
}
