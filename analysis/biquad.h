// Second-order IIR sections for the pulse filters: a Butterworth low-pass and a mains notch.
#pragma once

namespace pulse::analysis {

// One transposed direct-form II section; coefficients normalised so a0 == 1.
class Biquad {
 public:
  Biquad() = default;
  Biquad(double b0, double b1, double b2, double a1, double a2)
      : b0_(b0), b1_(b1), b2_(b2), a1_(a1), a2_(a2) {}

  // Butterworth low-pass (Q = 1/sqrt 2) with unity gain at DC.
  [[nodiscard]] static Biquad LowPass(double cutoff_hz, double rate_hz);
  // Narrow band-stop at centre_hz with unity gain at DC; q sets the width (centre / q).
  [[nodiscard]] static Biquad Notch(double centre_hz, double rate_hz, double q);

  [[nodiscard]] double Step(double x) {
    const double y = b0_ * x + z1_;
    z1_ = b1_ * x - a1_ * y + z2_;
    z2_ = b2_ * x - a2_ * y;
    return y;
  }
  // The state a constant input `value` would have left, so a start causes no transient.
  void Settle(double value) {
    z1_ = value * (1.0 - b0_);
    z2_ = value * (b2_ - a2_);
  }

 private:
  double b0_ = 1.0, b1_ = 0.0, b2_ = 0.0, a1_ = 0.0, a2_ = 0.0;
  double z1_ = 0.0, z2_ = 0.0;
};

// The detector's smoothing: a low-pass and notches at 50 and 60 Hz (or where they fold to at
// this sample rate), all unity gain at DC so the level passes unchanged.
class PulseFilter {
 public:
  PulseFilter() = default;
  // Without the low-pass only the mains notches remain.
  explicit PulseFilter(double rate_hz, bool low_pass = true);

  [[nodiscard]] double Step(double x) {
    for (int i = 0; i < count_; ++i) x = sections_[i].Step(x);
    return x;
  }
  void Settle(double value) {
    for (int i = 0; i < count_; ++i) sections_[i].Settle(value);
  }

 private:
  static constexpr int kMaxSections = 3;
  Biquad sections_[kMaxSections];
  int count_ = 0;
};

}  // namespace pulse::analysis
