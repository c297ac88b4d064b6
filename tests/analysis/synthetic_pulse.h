// Synthetic pulse waves with known beat onsets, for the analysis tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace pulse::test {

struct SyntheticBeat {
  double onset_s;
  double amplitude = 1.0;
};

// Beats at a steady rate from `first_s` to `end_s`.
inline std::vector<SyntheticBeat> SteadyBeats(double bpm, double end_s, double first_s = 0.3,
                                              double amplitude = 1.0) {
  std::vector<SyntheticBeat> beats;
  for (double t = first_s; t < end_s; t += 60.0 / bpm) beats.push_back({t, amplitude});
  return beats;
}

struct Bump {
  double at_s, width_s, height;
};

struct WaveOptions {
  double level = 0.0;         // constant offset
  double noise_sigma = 0.0;   // white noise
  double drift_height = 0.0;  // slow swing of the level (0.1 Hz)
  uint32_t seed = 1;
  std::vector<Bump> bumps = {};  // motion artefacts
};

// Each beat rises as a half cosine from its onset (rise time a quarter of the interval, at
// most 120 ms), then decays with a dicrotic wave; beats add onto the decay of the earlier ones.
inline std::vector<double> SynthesiseWave(const std::vector<SyntheticBeat>& beats, double rate_hz,
                                          double duration_s, const WaveOptions& o = {}) {
  const auto n = static_cast<size_t>(duration_s * rate_hz);
  std::vector<double> x(n, o.level);
  for (size_t b = 0; b < beats.size(); ++b) {
    const double interval = b + 1 < beats.size()
                                ? beats[b + 1].onset_s - beats[b].onset_s
                                : (b > 0 ? beats[b].onset_s - beats[b - 1].onset_s : 1.0);
    const double rise = std::min(0.12, 0.25 * interval);
    const double decay = 0.45 * std::min(interval, 1.2);
    const double notch_at = rise + 0.35 * std::min(interval, 1.0);
    const double a = beats[b].amplitude;
    const auto from = static_cast<size_t>(std::ceil(beats[b].onset_s * rate_hz));
    for (size_t i = from; i < n; ++i) {
      const double tau = static_cast<double>(i) / rate_hz - beats[b].onset_s;
      if (tau > 6.0) break;
      double v;
      if (tau < rise) {
        v = a * 0.5 * (1.0 - std::cos(std::numbers::pi * tau / rise));
      } else {
        const double d = (tau - notch_at) / (0.06 * std::min(interval, 1.0));
        v = a * (std::exp(-(tau - rise) / decay) + 0.12 * std::exp(-d * d));
      }
      x[i] += v;
    }
  }
  std::mt19937 rng(o.seed);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / rate_hz;
    x[i] += o.drift_height * std::sin(2.0 * std::numbers::pi * 0.1 * t);
    for (const auto& bump : o.bumps) {
      const double d = (t - bump.at_s) / bump.width_s;
      x[i] += bump.height * std::exp(-0.5 * d * d);
    }
    if (o.noise_sigma > 0.0) x[i] += o.noise_sigma * noise(rng);
  }
  return x;
}

}  // namespace pulse::test
