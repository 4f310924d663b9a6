#pragma once

// The control's volume is in hundredths of a decibel, 0 the loudest. The
// engine's volume is cubic: amplitude = (volume / 100)^3, so a level of L dB
// is volume 100 * 10^(L / 60).
namespace volume {

double engineVolume(int hundredthsOfDecibel);

} // namespace volume
