#pragma once

class QWidget;

// Puts a window above all others, or back among them, without moving it or
// taking the focus. x, y, cx, cy are the window's place and outer size in
// pixels, as the caller measured them; only the stacking changes, on the
// window as it is (never a new native window). Where the window system cannot
// keep a window on top (a Wayland session) the call does nothing and the
// program goes on.
namespace mTop {

void SetTopmost(int x, int y, int cx, int cy, QWidget* window);
void ClearTopmost(int x, int y, int cx, int cy, QWidget* window);

// Whether the window system lets a program keep its window above others.
bool canKeepOnTop();

// Whether the window is kept above others.
bool isTopmost(const QWidget* window);

} // namespace mTop
