#include "platform/twips.h"

#include "platform/numbers.h"

namespace twips {

double perPixel(double logicalDpi) {
    if (!(logicalDpi > 0))
        return 15.0;
    return kPerInch / logicalDpi;
}

std::int16_t toPixels(double twipsValue, double twipsPerPixel) {
    return numbers::roundToInt16(twipsValue / twipsPerPixel);
}

} // namespace twips
