// A pulse-like test signal: a sharp rise, a slower fall and a small notch, about 1.2 beats a
// second, in the wave unit of the views (roughly -5..8).
#pragma once

#include <cmath>

namespace pulse::bench {

inline double PulseWave(double t) {
  constexpr double kBeat = 0.83;  // seconds per beat
  const double ph = std::fmod(t, kBeat) / kBeat;
  const double rise = std::exp(-std::pow((ph - 0.15) / 0.05, 2)) * 8.0;
  const double notch = std::exp(-std::pow((ph - 0.45) / 0.06, 2)) * 2.5;
  return rise + notch - 2.0 + 0.3 * std::sin(t * 7.3);
}

}  // namespace pulse::bench
