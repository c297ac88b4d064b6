#include "tools/analysis-eval/signal_variants.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <random>

namespace pulse::analysis::eval {

namespace {

constexpr double kPi = std::numbers::pi;
// Sinc half-length in output periods of the cut-off.
constexpr double kSincZeros = 10.0;
constexpr double kCutoff = 0.9;  // share of the lower Nyquist frequency kept

double Sinc(double x) {
  return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
}

// Smooth 0 -> 1 over [0, 1].
double Ease(double u) {
  return u <= 0.0 ? 0.0 : u >= 1.0 ? 1.0 : 0.5 - 0.5 * std::cos(kPi * u);
}

void AddNoise(std::vector<double>& y, double sigma, std::mt19937& rng) {
  std::normal_distribution<double> n(0.0, sigma);
  for (double& v : y) v += n(rng);
}

void AddHum(std::vector<double>& y, double hz, double amp, double rate, std::mt19937& rng) {
  const double phase = std::uniform_real_distribution<double>(0.0, 2 * kPi)(rng);
  for (size_t i = 0; i < y.size(); ++i)
    y[i] += amp * std::sin(2 * kPi * hz * static_cast<double>(i) / rate + phase);
}

// The operator pressing and easing the sensor: level shifts of up to twice the pulse height
// over half a second to two seconds, every few seconds, on a slow sway.
void AddDrift(std::vector<double>& y, double height, double rate, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const double sway_hz = 0.03 + 0.04 * u(rng), sway_phase = 2 * kPi * u(rng);
  double t = 1.0 + 3.0 * u(rng), from = 0.0;
  struct Press {
    double start, length, from, to;
  };
  std::vector<Press> presses;
  const double end = static_cast<double>(y.size()) / rate;
  while (t < end) {
    const double to = (u(rng) * 4.0 - 2.0) * height;
    presses.push_back({t, 0.5 + 1.5 * u(rng), from, to});
    from = to;
    t += 3.0 + 5.0 * u(rng);
  }
  size_t k = 0;
  for (size_t i = 0; i < y.size(); ++i) {
    const double ti = static_cast<double>(i) / rate;
    while (k + 1 < presses.size() && presses[k + 1].start <= ti) ++k;
    double level = 0.0;
    if (!presses.empty() && ti >= presses[k].start) {
      const auto& p = presses[k];
      level = p.from + (p.to - p.from) * Ease((ti - p.start) / p.length);
    }
    y[i] += level + height * std::sin(2 * kPi * sway_hz * ti + sway_phase);
  }
}

// Breathing: the pulse height swings by a third and the level by a tenth of it.
void AddBreathing(std::vector<double>& y, double height, double rate, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const double hz = 0.15 + 0.15 * u(rng), phase = 2 * kPi * u(rng);
  const double mean = Mean(y);
  for (size_t i = 0; i < y.size(); ++i) {
    const double s = std::sin(2 * kPi * hz * static_cast<double>(i) / rate + phase);
    y[i] = mean + (y[i] - mean) * (1.0 + 0.35 * s) + 0.1 * height * s;
  }
}

// Bumps of the sensor: every 5 to 12 s a smooth knock of half to one pulse height, either way.
void AddMotion(std::vector<double>& y, double height, double rate, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const double end = static_cast<double>(y.size()) / rate;
  for (double t = 3.0 + 5.0 * u(rng); t < end; t += 5.0 + 7.0 * u(rng)) {
    const double width = 0.08 + 0.25 * u(rng);
    const double amp = (u(rng) < 0.5 ? -1.0 : 1.0) * height * (0.5 + 0.5 * u(rng));
    const auto lo = static_cast<size_t>(std::max(0.0, (t - 4 * width) * rate));
    const auto hi = std::min(y.size(), static_cast<size_t>((t + 4 * width) * rate));
    for (size_t i = lo; i < hi; ++i) {
      const double d = (static_cast<double>(i) / rate - t) / width;
      y[i] += amp * std::exp(-0.5 * d * d);
    }
  }
}

}  // namespace

std::vector<double> Resample(const std::vector<double>& x, double from_hz, double to_hz) {
  if (x.empty() || from_hz == to_hz) return x;
  const double ratio = from_hz / to_hz;
  const double cut = kCutoff * std::min(1.0, to_hz / from_hz);  // of the input Nyquist
  const auto half = static_cast<int64_t>(std::ceil(kSincZeros / cut));
  const auto count = static_cast<size_t>(std::floor(static_cast<double>(x.size() - 1) / ratio)) + 1;
  std::vector<double> y(count);
  const auto last = static_cast<int64_t>(x.size()) - 1;
  for (size_t j = 0; j < count; ++j) {
    const double u = static_cast<double>(j) * ratio;
    const auto c = static_cast<int64_t>(std::floor(u));
    double sum = 0.0, weight = 0.0;
    for (int64_t k = c - half + 1; k <= c + half; ++k) {
      const double d = u - static_cast<double>(k);
      const double w =
          cut * Sinc(cut * d) * (0.5 + 0.5 * std::cos(kPi * d / static_cast<double>(half + 1)));
      sum += w * x[static_cast<size_t>(std::clamp<int64_t>(k, 0, last))];
      weight += w;
    }
    y[j] = sum / weight;
  }
  return y;
}

std::string_view DisturbanceName(Disturbance d) {
  switch (d) {
    case Disturbance::kClean:
      return "clean";
    case Disturbance::kNoise:
      return "noise";
    case Disturbance::kHum50:
      return "hum50";
    case Disturbance::kHum60:
      return "hum60";
    case Disturbance::kDrift:
      return "drift";
    case Disturbance::kBreathing:
      return "breathing";
    case Disturbance::kMotion:
      return "motion";
    case Disturbance::kAll:
      break;
  }
  return "all";
}

std::vector<double> Disturb(const std::vector<double>& x, double rate_hz, Disturbance d,
                            uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<double> y = x;
  const double height = PulseHeight(x);
  const bool all = d == Disturbance::kAll;
  if (d == Disturbance::kBreathing || all) AddBreathing(y, height, rate_hz, rng);
  if (d == Disturbance::kDrift || all) AddDrift(y, height, rate_hz, rng);
  if (d == Disturbance::kMotion || all) AddMotion(y, height, rate_hz, rng);
  if (d == Disturbance::kHum50 || all) AddHum(y, 50.0, 0.1 * height, rate_hz, rng);
  if (d == Disturbance::kHum60 || all) AddHum(y, 60.0, 0.1 * height, rate_hz, rng);
  if (d == Disturbance::kNoise || all) AddNoise(y, 0.04 * height, rng);
  return y;
}

std::vector<double> Quantise(const std::vector<double>& pressure, const WaveScaling& s) {
  std::vector<double> out(pressure.size());
  for (size_t i = 0; i < pressure.size(); ++i) {
    const double value = (pressure[i] - s.offset) * s.scale;
    const double count = std::clamp(std::round(value * 1000.0 / s.unit_factor), -32768.0, 32767.0);
    out[i] = count * s.unit_factor / 1000.0;
  }
  return out;
}

double PulseHeight(const std::vector<double>& x) {
  if (x.empty()) return 0.0;
  std::vector<double> v = x;
  const auto at = [&](double q) {
    auto it = v.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), it, v.end());
    return *it;
  };
  return at(0.95) - at(0.05);
}

double Mean(const std::vector<double>& x) {
  return x.empty() ? 0.0 : std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
}

}  // namespace pulse::analysis::eval
