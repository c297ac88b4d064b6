#include "analysis/biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pulse::analysis {

namespace {

// The pulse wave carries next to nothing above this; its foot and peak survive it.
constexpr double kLowPassHz = 10.0;
// Keep the low-pass well below Nyquist at very low sample rates.
constexpr double kMaxCutoffFraction = 0.35;
constexpr double kMainsHz[] = {50.0, 60.0};
// Hum that folds near DC is removed by the slope stage; near Nyquist by the low-pass zero.
constexpr double kMinNotchHz = 4.0;
constexpr double kMaxNotchFraction = 0.45;
constexpr double kNotchQ = 4.0;

// Where a tone at `hz` appears after sampling at `rate_hz`.
double Folded(double hz, double rate_hz) {
  return std::fabs(hz - rate_hz * std::round(hz / rate_hz));
}

}  // namespace

Biquad Biquad::LowPass(double cutoff_hz, double rate_hz) {
  const double w0 = 2.0 * std::numbers::pi * cutoff_hz / rate_hz;
  const double alpha = std::sin(w0) / (2.0 * std::numbers::sqrt2 / 2.0);
  const double c = std::cos(w0);
  const double a0 = 1.0 + alpha;
  return Biquad((1.0 - c) / 2.0 / a0, (1.0 - c) / a0, (1.0 - c) / 2.0 / a0, -2.0 * c / a0,
                (1.0 - alpha) / a0);
}

Biquad Biquad::Notch(double centre_hz, double rate_hz, double q) {
  const double w0 = 2.0 * std::numbers::pi * centre_hz / rate_hz;
  const double alpha = std::sin(w0) / (2.0 * q);
  const double c = std::cos(w0);
  const double a0 = 1.0 + alpha;
  return Biquad(1.0 / a0, -2.0 * c / a0, 1.0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0);
}

PulseFilter::PulseFilter(double rate_hz, bool low_pass) {
  if (low_pass)
    sections_[count_++] =
        Biquad::LowPass(std::min(kLowPassHz, kMaxCutoffFraction * rate_hz), rate_hz);
  for (double mains : kMainsHz) {
    const double f = Folded(mains, rate_hz);
    if (f >= kMinNotchHz && f <= kMaxNotchFraction * rate_hz && count_ < kMaxSections)
      sections_[count_++] = Biquad::Notch(f, rate_hz, kNotchQ);
  }
}

}  // namespace pulse::analysis
