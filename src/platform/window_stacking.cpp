#include "platform/window_stacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace mTop {
namespace {

void setStaysOnTop(int x, int y, QWidget* window, bool onTop) {
    if (!window || QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    const bool visible = window->isVisible();
    const QPoint place = visible ? window->frameGeometry().topLeft() : QPoint(x, y);
    const QSize size = window->size();
    // Changing the flag re-creates the native window on some platforms; keep
    // it where it was and do not let it take the focus when shown again.
    const bool noActivate = window->testAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    window->move(place);
    window->resize(size);
    if (onTop || visible)
        window->show();
    window->setAttribute(Qt::WA_ShowWithoutActivating, noActivate);
}

} // namespace

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
