#pragma once

#include <QObject>

class FullScreen;
class MediaPlayer;

// The keys of the player control and the double-click on its picture. With
// the player focused (a click on the picture gives it the focus), or a part of
// it that leaves the key alone: Space plays or pauses, Left and Right seek 5 s,
// Up and Down step the volume, F and F11 toggle full screen, Esc leaves it;
// keys with Ctrl, Alt or Meta are left to the menus. The media keys work in
// every window of the program, when no desktop service takes them first:
// play (play/pause), pause, stop, next and previous.
class PlayerKeys : public QObject {
    Q_OBJECT
public:
    // Watches the player and gives it the focus on a click; owned by it.
    explicit PlayerKeys(MediaPlayer* player);

signals:
    // Next and Previous: the playback core decides what they play.
    void nextRequested();
    void previousRequested();
    // Up (+1) or Down (-1): one step of the volume control.
    void volumeStepRequested(int direction);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool keyPressed(int key, bool repeated);

    MediaPlayer* player_;
    FullScreen* fullScreen_;
};
