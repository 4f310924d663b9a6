#include "media/volume.h"

#include <algorithm>
#include <cmath>

namespace volume {

double engineVolume(int hundredthsOfDecibel) {
    const double db = std::min(hundredthsOfDecibel, 0) / 100.0;
    return 100.0 * std::pow(10.0, db / 60.0);
}

} // namespace volume
