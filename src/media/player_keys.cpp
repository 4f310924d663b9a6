#include "media/player_keys.h"

#include "media/full_screen.h"
#include "media/media_player.h"

#include <QKeyEvent>
#include <QShortcut>

namespace {
constexpr double kSeekSeconds = 5;
}

PlayerKeys::PlayerKeys(MediaPlayer* player)
    : QObject(player)
    , player_(player)
    , fullScreen_(new FullScreen(player)) {
    player->setFocusPolicy(Qt::StrongFocus);
    player->installEventFilter(this);
    connect(player, &MediaPlayer::pictureDoubleClicked, fullScreen_, &FullScreen::toggle);
    // No control of the program uses them: they may act wherever the focus is.
    const auto mediaKey = [player](Qt::Key key, auto action) {
        new QShortcut(QKeySequence(key), player, action, Qt::ApplicationShortcut);
    };
    mediaKey(Qt::Key_MediaPlay, [player] { player->playPause(); });
    mediaKey(Qt::Key_MediaTogglePlayPause, [player] { player->playPause(); });
    mediaKey(Qt::Key_MediaPause, [player] { player->Pause(); });
    mediaKey(Qt::Key_MediaStop, [player] { player->Stop(); });
    mediaKey(Qt::Key_MediaNext, [this] { emit nextRequested(); });
    mediaKey(Qt::Key_MediaPrevious, [this] { emit previousRequested(); });
}

// Keys reach the player when it has the focus, or from a part of it (a
// button, the position bar) that did not take them.
bool PlayerKeys::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    return keyPressed(key->key(), key->isAutoRepeat());
}

bool PlayerKeys::keyPressed(int key, bool repeated) {
    switch (key) {
    case Qt::Key_Space:
        if (!repeated)
            player_->playPause();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const double step = key == Qt::Key_Left ? -kSeekSeconds : kSeekSeconds;
        player_->setCurrentPosition(player_->CurrentPosition() + step);
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
        emit volumeStepRequested(key == Qt::Key_Up ? 1 : -1);
        return true;
    case Qt::Key_F:
    case Qt::Key_F11:
        if (!repeated)
            fullScreen_->toggle();
        return true;
    case Qt::Key_Escape:
        if (!fullScreen_->isActive())
            return false;
        fullScreen_->leave();
        return true;
    default:
        return false;
    }
}
