// Turns a reference recording into what the device could deliver: another sample rate,
// disturbances an operator meets, and wave values quantised to the device's 16-bit counts.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace pulse::analysis::eval {

// Band-limited resampling (windowed sinc, cut off below the lower Nyquist).
[[nodiscard]] std::vector<double> Resample(const std::vector<double>& x, double from_hz,
                                           double to_hz);

enum class Disturbance { kClean, kNoise, kHum50, kHum60, kDrift, kBreathing, kMotion, kAll };
inline constexpr Disturbance kAllDisturbances[] = {
    Disturbance::kClean, Disturbance::kNoise,     Disturbance::kHum50,  Disturbance::kHum60,
    Disturbance::kDrift, Disturbance::kBreathing, Disturbance::kMotion, Disturbance::kAll};
[[nodiscard]] std::string_view DisturbanceName(Disturbance d);

// Adds `d` to `x` (sampled at rate_hz), sized to the pulse height of x; `seed` varies where
// and how much.
[[nodiscard]] std::vector<double> Disturb(const std::vector<double>& x, double rate_hz,
                                          Disturbance d, uint32_t seed);

// How the recording's pressure becomes a wave value: value = (p - offset) * scale, sent as
// round(value * 1000 / unit_factor) clipped to int16, shown as count * unit_factor / 1000.
struct WaveScaling {
  double offset = 0.0;
  double scale = 1.0;
  double unit_factor = 1.0;
};
[[nodiscard]] std::vector<double> Quantise(const std::vector<double>& pressure,
                                           const WaveScaling& s);

// Pulse height: 95th minus 5th percentile.
[[nodiscard]] double PulseHeight(const std::vector<double>& x);
[[nodiscard]] double Mean(const std::vector<double>& x);

}  // namespace pulse::analysis::eval
