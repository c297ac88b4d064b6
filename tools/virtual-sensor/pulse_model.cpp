#include "tools/virtual-sensor/pulse_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace pulse::vsensor {

namespace {

constexpr double kMinRate = 60, kMaxRate = 90;  // beats per minute
constexpr double kBeatJitter = 0.03;            // beat-to-beat variation of the rate
constexpr double kSinusArrhythmia = 2.5;        // bpm swing with breathing
constexpr double kBreathAmpMod = 0.08;          // pulse amplitude swing with breathing
constexpr double kBreathBaseline = 0.06;        // baseline swing, fraction of the amplitude
// The pulse arrives a little later at the points further along the artery.
constexpr std::array<double, 3> kChannelDelay{0.0, 0.012, 0.025};  // seconds
constexpr std::array<double, 3> kChannelGain{1.0, 0.72, 0.5};      // of channel 1's amplitude
constexpr double kDriftTau = 20;               // seconds: how slowly the hold-down pressure wanders
constexpr double kDriftSigma = 3;              // hPa: how far it wanders
constexpr double kWaveNoise = 0.02;            // hPa
constexpr double kStaticNoise = 0.05;          // hPa
constexpr double kWaveOffset = 0.25;           // shifts the wave so the diastolic floor is negative
constexpr double kStaticUnit = 10;             // raw static counts per hPa
constexpr double kWaveUnit = 1000;             // raw wave counts per hPa
constexpr double kSqrt3 = 1.7320508075688772;  // uniform on +-sqrt(3) has unit variance
constexpr double kBreathStatic = 0.3;          // hPa of hold-down swing with breathing

std::int16_t ToRaw(double value) {
  const double r = std::round(value);
  return static_cast<std::int16_t>(std::clamp(r, double{std::numeric_limits<std::int16_t>::min()},
                                              double{std::numeric_limits<std::int16_t>::max()}));
}

}  // namespace

PulseModel::PulseModel(std::uint64_t seed) : rng_(seed) {
  base_rate_ = rng_.Uniform(66, 84);
  breath_period_ = rng_.Uniform(3.5, 5.0);
  breath_phase0_ = rng_.Uniform(0, 2 * std::numbers::pi);
  pulse_amp_ = rng_.Uniform(6, 10);
  for (int c = 0; c < 3; ++c) {
    hold_[c] = rng_.Uniform(60, 120);
    offset_[c] = rng_.Uniform(-5, 5);
    // Zeroed at the factory, with a small residue.
    zero_[c] = offset_[c] + rng_.Uniform(-0.3, 0.3);
  }
  NewBeat();
}

// Normalised pressure over one beat (phase 0..1): a steep systolic upstroke, a slower
// decline, the dicrotic notch near 0.3 and the dicrotic wave after it.
double PulseModel::PulseShape(double phase) {
  constexpr double kPeak = 0.14, kRise = 0.045, kFall = 0.11;
  constexpr double kDicroticAt = 0.40, kDicroticWidth = 0.07, kDicroticHeight = 0.35;
  const double w = phase < kPeak ? kRise : kFall;
  const double s = (phase - kPeak) / w;
  const double d = (phase - kDicroticAt) / kDicroticWidth;
  return std::exp(-s * s) + kDicroticHeight * std::exp(-d * d);
}

void PulseModel::NewBeat() {
  const double breath = std::sin(2 * std::numbers::pi * time_ / breath_period_ + breath_phase0_);
  double rate = base_rate_ * (1 + kBeatJitter * rng_.Uniform(-1, 1)) + kSinusArrhythmia * breath;
  rate = std::clamp(rate, kMinRate, kMaxRate);
  beat_length_ = 60.0 / rate;
}

Sample PulseModel::Next(double dt) {
  time_ += dt;
  while (time_ - beat_start_ >= beat_length_) {
    beat_start_ += beat_length_;
    NewBeat();
  }
  const double breath = std::sin(2 * std::numbers::pi * time_ / breath_period_ + breath_phase0_);
  const double amp = pulse_amp_ * (1 + kBreathAmpMod * breath);
  // Ornstein-Uhlenbeck step: wanders, but comes back.
  const double keep = std::exp(-dt / kDriftTau);
  const double kick = kDriftSigma * std::sqrt(1 - keep * keep);

  Sample s{};
  for (int c = 0; c < 3; ++c) {
    double phase = (time_ - beat_start_ - kChannelDelay[c]) / beat_length_;
    if (phase < 0) phase += 1;  // still in the tail of the previous beat
    const double gain = amp * kChannelGain[c];
    const double wave = gain * (PulseShape(phase) - kWaveOffset) +
                        kBreathBaseline * pulse_amp_ * kChannelGain[c] * breath +
                        kWaveNoise * rng_.Uniform(-1, 1);
    drift_[c] = drift_[c] * keep + kick * rng_.Uniform(-kSqrt3, kSqrt3);
    const double reading = hold_[c] + drift_[c] + offset_[c] + kBreathStatic * breath +
                           kStaticNoise * rng_.Uniform(-1, 1);
    s.static_raw[c] = ToRaw((reading - zero_[c]) * kStaticUnit);
    s.wave_raw[c] = ToRaw(wave * kWaveUnit);
  }
  return s;
}

void PulseModel::Zero() {
  for (int c = 0; c < 3; ++c) zero_[c] = hold_[c] + drift_[c] + offset_[c];
}

std::array<std::int16_t, 3> PulseModel::ZeroValues() const {
  std::array<std::int16_t, 3> z{};
  for (int c = 0; c < 3; ++c) z[c] = ToRaw(zero_[c] * kStaticUnit);
  return z;
}

}  // namespace pulse::vsensor
