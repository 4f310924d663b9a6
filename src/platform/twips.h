#pragma once

#include <cstdint>

// Window positions and sizes are kept in twips (1/1440 inch); the window
// system wants pixels.
namespace twips {

inline constexpr double kPerInch = 1440.0;

// Twips per pixel for a screen of the given logical dots per inch (15 at 96).
double perPixel(double logicalDpi);

// Twips to pixels as 16-bit integers, rounding halves to even.
std::int16_t toPixels(double twipsValue, double twipsPerPixel);

// Pixels to twips.
inline double fromPixels(double pixels, double twipsPerPixel) {
    return pixels * twipsPerPixel;
}

} // namespace twips
