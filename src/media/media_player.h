#pragma once

#include "media/media_session.h"

#include <QWidget>

#include <memory>

class ControlStrip;
class QTimer;
class VideoView;

// The embedded player control: shows the picture with its own transport
// buttons, position bar and status bar, and sizes itself to the opened
// picture. The program drives it through the members named as the control's
// own (FileName, Stop, PlayCount, Mute, Volume, Width, Height, EndOfStream).
class MediaPlayer : public QWidget {
    Q_OBJECT
public:
    using State = MediaSession::State;

    // Design size in twips.
    static constexpr int kDesignWidth = 4200;
    static constexpr int kDesignHeight = 3765;

    explicit MediaPlayer(QWidget* parent = nullptr);
    ~MediaPlayer() override;

    // Setting opens the file and starts it at once; "" stops and unloads.
    // Reads back the name of what is heard, "" when none.
    QString FileName() const { return session_->FileName(); }
    void setFileName(const QString& path);

    // Hands the engine the file to play right after the current one, without a gap; "" drops it.
    // Replaces any queued file. setFileName() and Stop() drop it too.
    void setNextFileName(const QString& path) { session_->setNextFileName(path); }
    QString NextFileName() const { return session_->NextFileName(); }

    // Stops playback; the file stays loaded and plays again from the start.
    void Stop();

    // 0: the file repeats without end; 1: it plays once; n: n times.
    int PlayCount() const { return playCount_; }
    void setPlayCount(int count);

    bool Mute() const { return mute_; }
    void setMute(bool mute);

    // Hundredths of a decibel, 0 the loudest.
    int Volume() const { return volume_; }
    void setVolume(int hundredthsOfDecibel);

    // The control's size in twips. The height follows the media by itself.
    int Width() const;
    void setWidth(int twipsValue);
    int Height() const;

    State state() const { return session_->state(); }
    QString statusText() const;
    QString timeText() const;
    // The picture's display size in pixels; empty for audio or before a file.
    QSize pictureSize() const { return picture_; }
    // The engine, once it exists (it starts with the first file).
    Engine* engine() const { return session_->engine(); }
    // What plays and what follows, as the engine reports it.
    MediaSession* session() const { return session_; }
    // Starts loading the engine's libraries in the background: a file is on
    // its way (dragged over a window, or the list shown).
    void prepareEngine();

    // Plays a paused or stopped file, pauses a playing one.
    void playPause();
    // Plays (resumes a paused file, starts a stopped one) unless it plays.
    void Play();
    void Pause();
    // Position and length of the loaded file, in seconds (0 when unknown).
    double CurrentPosition() const;
    void setCurrentPosition(double seconds);
    double Duration() const;

    // Headless runs: null outputs and, for tests, untimed playback. Applies to
    // players whose engine starts afterwards.
    static void setEngineOptions(const Engine::Options& options) {
        MediaSession::setEngineOptions(options);
    }

signals:
    // Playback reached the end of the loaded file (never for a replaced,
    // stopped or failed file). The argument is a result code, always 0.
    void EndOfStream(int result);
    // The queued file took over at the end of the current one: FileName() now names it and
    // NextFileName() is "". Emitted instead of EndOfStream/PassEnded for that end, when its first
    // sound is heard. If it fails, the player goes to Failed exactly as setFileName() of that file
    // would (status text, no EndOfStream).
    void NextStarted();
    // A pass of a repeating file (PlayCount 0) ended; the file plays again by
    // itself. Lets a shown playlist go on while the file would repeat.
    void PassEnded();
    void stateChanged(MediaPlayer::State state);
    // The position was moved by a seek (from the position bar or from
    // setCurrentPosition); the argument is where it went, in seconds.
    void seeked(double seconds);
    // A double-click on the picture, once its button is up (full screen, for
    // whoever shows it so); the player plays or pauses as before it.
    void pictureDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void attachEngine(Engine* engine);
    void showPicture();
    void showState(State state);
    void fitToPicture(QSize picture);
    void showContextMenu(const QPoint& globalPos);
    void refreshTime();
    void seekTo(double seconds);
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

    QWidget* pictureArea_; // shown until the picture output exists
    // Made once a file shows a picture; its widget is our child.
    std::unique_ptr<VideoView> view_;
    ControlStrip* strip_;
    QTimer* clock_;
    MediaSession* session_;
    bool doubleClicked_ = false; // on the picture, its button still down
    int playCount_ = 1;
    bool mute_ = false;
    int volume_ = 0;
    QSize picture_;
};
