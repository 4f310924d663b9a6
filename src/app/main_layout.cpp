#include "app/main_layout.h"

namespace layout {
namespace {
constexpr int kSliderWidth = 832, kSliderHeight = 300;
constexpr int kBoxWidth = 555, kBoxHeight = 240;
} // namespace

MainControls mainControls(int outerWidth, int outerHeight) {
    MainControls c;
    const int boxTop = outerHeight - 945;
    c.checkBoxes[0] = QRect(0, boxTop, kBoxWidth, kBoxHeight);
    c.checkBoxes[1] = QRect(630, boxTop, kBoxWidth, kBoxHeight);
    c.checkBoxes[2] = QRect(outerWidth - kSliderWidth - 630, boxTop, kBoxWidth, kBoxHeight);
    c.slider =
        QRect(outerWidth - kSliderWidth - 80, outerHeight - 960, kSliderWidth, kSliderHeight);
    c.lineWidth = outerWidth;
    return c;
}

Fit fitToPlayer(int playerWidth, int playerHeight) {
    Fit f{playerWidth, 0, 0};
    if (playerHeight < kPictureMinHeight)
        f.playerWidth = kPlayerDesignWidth;
    f.height = playerHeight + 1000;
    f.width = f.playerWidth + 100;
    return f;
}

QPoint centreOver(const QRect& other, int ownWidth, int ownHeight) {
    return {other.left() + (other.width() - ownWidth) / 2,
            other.top() + (other.height() - ownHeight) / 2};
}

} // namespace layout
