#pragma once

#include <QPoint>
#include <QRect>

#include <array>

// The main window's layout rules, in twips. The window's Width and Height are
// its outer size on the frame the rules were drawn for (caption and menu bar
// of about 19 pixels each, thin borders). The client area is the outer size
// less that frame on every platform, so the controls sit exactly as designed
// whatever frame the window system really draws around it. Both frame sizes
// are whole pixels at 15 twips a pixel, so the design numbers stay exact.
namespace layout {

inline constexpr int kNonClientWidth = 70;
inline constexpr int kNonClientHeight = 610;

// A dialog's frame: caption and borders, no menu bar.
inline constexpr int kDialogNonClientWidth = 90;
inline constexpr int kDialogNonClientHeight = 420;

inline constexpr int kPlayerDesignWidth = 4200;
inline constexpr int kPictureMinHeight = 1765;

struct MainControls {
    std::array<QRect, 3> checkBoxes; // chkCou(0..2)
    QRect slider;                    // Sl1
    int lineWidth = 0;               // Line1 and Line2 run from 0 to here
};

// Positions of the check boxes and the slider for a window of the given outer
// size (the rules of the window's resize step, not minimized).
MainControls mainControls(int outerWidth, int outerHeight);

// The outer size that fits the window to a player of the given size, and the
// player width to use: a player lower than 1765 twips keeps the design width.
struct Fit {
    int playerWidth;
    int width;
    int height;
};
Fit fitToPlayer(int playerWidth, int playerHeight);

// Top-left corner that centres a window of own size over another window
// (integer halves, toward zero).
QPoint centreOver(const QRect& other, int ownWidth, int ownHeight);

} // namespace layout
