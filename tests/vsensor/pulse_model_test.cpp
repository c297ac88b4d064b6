// The simulated pulse: plausible physiology, reproducible by seed, re-baselined by zeroing.
#include "tools/virtual-sensor/pulse_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

constexpr double kRate = 200;
constexpr double kDt = 1 / kRate;

struct Trace {
  std::array<std::vector<int>, 3> wave, stat;
};

Trace Simulate(pulse::vsensor::PulseModel& m, double seconds) {
  Trace t;
  for (int i = 0; i < seconds * kRate; ++i) {
    const auto s = m.Next(kDt);
    for (int c = 0; c < 3; ++c) {
      t.wave[c].push_back(s.wave_raw[c]);
      t.stat[c].push_back(s.static_raw[c]);
    }
  }
  return t;
}

// Beat onsets: upward crossings of 60 % of the range, re-armed below 30 %.
std::vector<std::size_t> Onsets(const std::vector<int>& w) {
  const auto [lo, hi] = std::minmax_element(w.begin(), w.end());
  const double up = *lo + 0.6 * (*hi - *lo), down = *lo + 0.3 * (*hi - *lo);
  std::vector<std::size_t> on;
  bool armed = false;
  for (std::size_t i = 0; i < w.size(); ++i) {
    if (w[i] < down) armed = true;
    if (armed && w[i] > up) {
      on.push_back(i);
      armed = false;
    }
  }
  return on;
}

class PulseModelTest : public testing::TestWithParam<std::uint64_t> {};

TEST_P(PulseModelTest, BeatsLikeARestingHeart) {
  pulse::vsensor::PulseModel m(GetParam());
  const Trace t = Simulate(m, 60);
  const auto& w = t.wave[0];
  const auto on = Onsets(w);
  ASSERT_GE(on.size(), 55u);
  ASSERT_LE(on.size(), 95u);
  std::vector<double> intervals, peaks;
  for (std::size_t b = 1; b + 1 < on.size(); ++b) {
    const double interval = (on[b + 1] - on[b]) * kDt;
    intervals.push_back(interval);
    EXPECT_GE(interval, 60.0 / 90 - 0.02) << "beat " << b;
    EXPECT_LE(interval, 60.0 / 60 + 0.02) << "beat " << b;

    // One beat: from a little before the onset to a little before the next one.
    const std::size_t from = on[b] - static_cast<std::size_t>(0.08 * kRate);
    const std::size_t to = on[b + 1] - static_cast<std::size_t>(0.08 * kRate);
    const auto peak = std::max_element(w.begin() + from, w.begin() + to);
    const int foot = *std::min_element(w.begin() + from, w.begin() + to);
    const double p2p = *peak - foot;
    peaks.push_back(*peak);
    // Steep upstroke: 10 % to 90 % of the beat's swing within 100 ms.
    auto i10 = std::find_if(w.begin() + from, peak, [&](int v) { return v > foot + 0.1 * p2p; });
    auto i90 =
        std::find_if(w.begin() + from, peak + 1, [&](int v) { return v > foot + 0.9 * p2p; });
    EXPECT_LT((i90 - i10) * kDt, 0.1) << "beat " << b;
    // The decline is slower than the rise, and is interrupted: a notch, then the dicrotic wave.
    auto half = std::find_if(peak, w.begin() + to, [&](int v) { return v < foot + 0.5 * p2p; });
    EXPECT_GT(half - peak, i90 - i10) << "beat " << b;
    auto notch = std::min_element(half, half + static_cast<std::ptrdiff_t>(0.1 * kRate));
    const int dicrotic = *std::max_element(notch, w.begin() + to);
    EXPECT_GT(dicrotic - *notch, 0.05 * p2p) << "no dicrotic wave in beat " << b;
  }
  // Beat-to-beat variation and breathing: neither the intervals nor the peaks are constant.
  const auto [imin, imax] = std::minmax_element(intervals.begin(), intervals.end());
  EXPECT_GT(*imax - *imin, 0.02);
  const auto [pmin, pmax] = std::minmax_element(peaks.begin(), peaks.end());
  EXPECT_GT(*pmax - *pmin, 0.05 * *pmax);
}

TEST_P(PulseModelTest, ChannelsDifferAndStaticPressureDriftsSlowly) {
  pulse::vsensor::PulseModel m(GetParam());
  const Trace t = Simulate(m, 60);
  std::array<int, 3> p2p{};
  for (int c = 0; c < 3; ++c) {
    const auto [lo, hi] = std::minmax_element(t.wave[c].begin(), t.wave[c].end());
    p2p[c] = *hi - *lo;
    const auto [slo, shi] = std::minmax_element(t.stat[c].begin(), t.stat[c].end());
    EXPECT_GE(*slo, 300) << "channel " << c + 1;  // 30 hPa and more: held against the wrist
    EXPECT_LE(*shi, 2000) << "channel " << c + 1;
    EXPECT_GT(*shi - *slo, 5) << "static pressure never moves";
    EXPECT_LT(*shi - *slo, 300) << "static pressure moves too much";
    int step = 0;
    for (std::size_t i = 1; i < t.stat[c].size(); ++i)
      step = std::max(step, std::abs(t.stat[c][i] - t.stat[c][i - 1]));
    EXPECT_LE(step, 10) << "static jumps by more than 1 hPa between samples";
  }
  EXPECT_GT(p2p[0], 3000);
  EXPECT_LT(p2p[0], 15000);
  EXPECT_GT(p2p[0], p2p[1]);
  EXPECT_GT(p2p[1], p2p[2]);
}

TEST_P(PulseModelTest, ZeroingRebaselinesAndChangesTheZeroValues) {
  pulse::vsensor::PulseModel m(GetParam());
  Simulate(m, 2);
  const auto z0 = m.ZeroValues();
  const auto before = m.Next(kDt);
  m.Zero();
  const auto z1 = m.ZeroValues();
  const auto after = m.Next(kDt);
  for (int c = 0; c < 3; ++c) {
    EXPECT_LT(std::abs(z0[c]), 60) << "factory zero is the sensor's small offset";
    EXPECT_NEAR(z1[c], before.static_raw[c] + z0[c], 6);
    EXPECT_NEAR(after.static_raw[c], 0, 6);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PulseModelTest, testing::Values(1u, 2u, 12345u));

TEST(PulseModel, TheSeedMakesARunReproducible) {
  pulse::vsensor::PulseModel a(42), b(42), c(43);
  bool differs = false;
  for (int i = 0; i < 1000; ++i) {
    const auto sa = a.Next(kDt), sb = b.Next(kDt), sc = c.Next(kDt);
    ASSERT_EQ(sa.wave_raw, sb.wave_raw);
    ASSERT_EQ(sa.static_raw, sb.static_raw);
    differs = differs || sa.wave_raw != sc.wave_raw;
  }
  EXPECT_TRUE(differs);
}

}  // namespace
