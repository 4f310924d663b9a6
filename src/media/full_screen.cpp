#include "media/full_screen.h"

#include <QEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

FullScreen::FullScreen(QWidget* widget)
    : QObject(widget)
    , widget_(widget) {
    widget->installEventFilter(this);
}

void FullScreen::toggle() {
    if (active_)
        leave();
    else
        enter();
}

// As a window of its own, so the window around its place keeps its layout and
// size; a window opens on the primary screen unless it is put elsewhere first.
void FullScreen::enter() {
    if (active_ || !widget_ || widget_->isWindow())
        return;
    const QRect screen = widget_->screen()->geometry();
    place_ = widget_->pos();
    wanted_ = widget_->size();
    active_ = true;
    widget_->setWindowFlag(Qt::Window, true);
    widget_->setGeometry(screen);
    widget_->showFullScreen();
    widget_->activateWindow();
    widget_->setFocus(Qt::OtherFocusReason);
}

void FullScreen::leave() {
    if (!active_ || !widget_)
        return;
    active_ = false;
    widget_->setWindowState(widget_->windowState() & ~Qt::WindowFullScreen);
    widget_->setWindowFlag(Qt::Window, false);
    widget_->move(place_);
    widget_->resize(wanted_);
    widget_->show();
    widget_->window()->activateWindow();
    widget_->setFocus(Qt::OtherFocusReason);
}

bool FullScreen::eventFilter(QObject*, QEvent* event) {
    if (!active_)
        return false;
    switch (event->type()) {
    case QEvent::Resize: {
        // Seen before the filters by the widget's own layout; kept from the
        // window around its place. A size of its own asking (a new picture)
        // is kept for the return, and the screen given back.
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        if (size != widget_->screen()->geometry().size()) {
            wanted_ = size;
            QTimer::singleShot(0, widget_, [this] {
                if (active_)
                    widget_->setGeometry(widget_->screen()->geometry());
            });
        }
        return true;
    }
    case QEvent::Close: // closed by the window system: back in place instead
        event->ignore();
        leave();
        return true;
    case QEvent::WindowStateChange:
        if (!(widget_->windowState() & Qt::WindowFullScreen))
            leave();
        return false;
    default:
        return false;
    }
}
