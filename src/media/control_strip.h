#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

// The player's own controls under the picture: play/pause and stop buttons,
// the position bar, and a status bar with the state and the time.
class ControlStrip : public QWidget {
    Q_OBJECT
public:
    explicit ControlStrip(QWidget* parent = nullptr);

    void setPlaying(bool playing);
    void setStatus(const QString& text);
    // Position and length in seconds; a length of 0 hides the time.
    void setTime(double position, double length);

    QString statusText() const;
    QString timeText() const;

    // Formats seconds as m:ss, or h:mm:ss from an hour on.
    static QString formatTime(double seconds);

signals:
    void playPauseClicked();
    void stopClicked();
    void seekRequested(double seconds);

private:
    void seekToSlider();

    QToolButton* playPause_;
    // Made once: the style makes a new icon at every call, and each new icon
    // leaves its pixmaps in the application's cache.
    QIcon playIcon_, pauseIcon_;
    QToolButton* stop_;
    QSlider* position_;
    QLabel* status_;
    QLabel* time_;
    double length_ = 0;
};
