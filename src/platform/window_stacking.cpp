#include "platform/window_stacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace mTop {
namespace {

void setStaysOnTop(int x, int y, QWidget* window, bool onTop) {
    if (!window || !canKeepOnTop())
        return;
    const Qt::WindowFlags flags = window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, onTop);
    QWindow* handle = window->windowHandle();
    if (handle && window->testAttribute(Qt::WA_WState_Created)) {
        // The live native window changes its stacking in place (on X11 the
        // window manager's "above" state): same window, focus kept. The
        // widget only records the flag, as setting it there would re-create
        // the window.
        handle->setFlags(flags);
        window->overrideWindowFlags(flags);
    } else {
        window->setWindowFlags(flags);
    }
    if (onTop && !window->isVisible()) {
        // Put on top also shows the window, where it was, without activating it.
        const bool noActivate = window->testAttribute(Qt::WA_ShowWithoutActivating);
        window->setAttribute(Qt::WA_ShowWithoutActivating, true);
        window->move(x, y);
        window->show();
        window->setAttribute(Qt::WA_ShowWithoutActivating, noActivate);
    }
}

} // namespace

bool canKeepOnTop() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void SetTopmost(int x, int y, int, int, QWidget* window) {
    setStaysOnTop(x, y, window, true);
}

void ClearTopmost(int x, int y, int, int, QWidget* window) {
    setStaysOnTop(x, y, window, false);
}

bool isTopmost(const QWidget* window) {
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace mTop
