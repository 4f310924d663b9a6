#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>

class QWidget;

// Shows a widget (the player control) full screen on the screen its window is
// on, as a window of its own, and puts it back in its place. While it is full
// screen the size the widget asks for (a new picture) is kept for its return,
// and the window around its place never sees it: that window keeps its size.
class FullScreen : public QObject {
    Q_OBJECT
public:
    explicit FullScreen(QWidget* widget);

    // True from enter() until leave().
    bool isActive() const { return active_; }
    // Full screen, or back in place when it is.
    void toggle();
    // Nothing while full screen already, or for a widget that is a window itself.
    void enter();
    // Back in place with the size last asked for, the focus on the widget.
    void leave();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> widget_;
    bool active_ = false;
    QPoint place_;
    QSize wanted_;
};
