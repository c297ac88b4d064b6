// The sensor's synthetic truth against the host's analysis: every beat the model makes is
// found where the model put it, the rate is the scripted one, and signals without a pulse give
// no rate. The model is run directly here (fast, many cases); program_test runs it end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/pulse_analyzer.h"
#include "tools/virtual-sensor/pulse_model.h"

namespace {

using pulse::analysis::ChannelBeat;
using pulse::analysis::PulseAnalyzer;
using pulse::analysis::SignalQuality;
using pulse::vsensor::PulseModel;
using pulse::vsensor::PulseScript;
using pulse::vsensor::TrueEvent;

constexpr double kWaveUnit = 1000;  // raw wave counts per hPa

struct SensorRun {
  std::vector<TrueEvent> truth;
  std::vector<ChannelBeat> found;
  PulseAnalyzer analyzer{200};
  double rate = 200;
  // Readout of channel 1 after every sample: bpm, or -1 without a rate.
  std::vector<double> shown;
};

SensorRun Simulate(const PulseScript& script, double rate, double seconds, std::uint64_t seed = 3) {
  SensorRun r;
  r.rate = rate;
  r.analyzer.Reset(rate);
  PulseModel model(seed, script);
  model.SetEventSink([&r](const TrueEvent& e) { r.truth.push_back(e); });
  const auto n = static_cast<std::size_t>(seconds * rate);
  for (std::size_t i = 0; i < n; ++i) {
    const pulse::vsensor::Sample s = model.Next(1.0 / rate);
    pulse::analysis::WaveFrame f;
    for (int c = 0; c < 3; ++c) f.wave[c] = s.wave_raw[c] / kWaveUnit;
    for (const ChannelBeat& b : r.analyzer.Push(f)) r.found.push_back(b);
    const auto bpm = r.analyzer.RateBpm(0);
    r.shown.push_back(bpm ? *bpm : -1);
  }
  return r;
}

std::vector<double> TrueOnsets(const SensorRun& r, int channel, bool premature_too = true) {
  std::vector<double> t;
  for (const TrueEvent& e : r.truth) {
    if (e.channel != channel) continue;
    if (e.kind == TrueEvent::Kind::kBeat ||
        (premature_too && e.kind == TrueEvent::Kind::kPremature))
      t.push_back(e.onset_s);
  }
  return t;
}

double Onset(const SensorRun& r, const ChannelBeat& b) {
  return static_cast<double>(b.beat.onset) / r.rate;
}

// Every true beat in [from, to) is found once within `tolerance`; nothing else is found there.
void ExpectBeatsFound(const SensorRun& r, int channel, double from, double to, double tolerance) {
  const std::vector<double> truth = TrueOnsets(r, channel);
  std::size_t expected = 0, matched = 0, found = 0;
  for (double t : truth) {
    if (t < from || t >= to) continue;
    ++expected;
    const bool hit = std::any_of(r.found.begin(), r.found.end(), [&](const ChannelBeat& b) {
      return b.channel == channel && std::fabs(Onset(r, b) - t) <= tolerance + 1e-9;
    });
    if (hit) {
      ++matched;
      continue;
    }
    double nearest = 1e9;
    for (const ChannelBeat& b : r.found)
      if (b.channel == channel && std::fabs(Onset(r, b) - t) < std::fabs(nearest))
        nearest = Onset(r, b) - t;
    ADD_FAILURE() << "channel " << channel + 1 << ": no beat within " << tolerance
                  << " s of the true onset at " << t << " s (nearest " << nearest << " s)";
  }
  for (const ChannelBeat& b : r.found)
    if (b.channel == channel && Onset(r, b) >= from && Onset(r, b) < to) ++found;
  EXPECT_GT(expected, 0u);
  EXPECT_EQ(matched, expected) << "channel " << channel + 1;
  EXPECT_EQ(found, expected) << "channel " << channel + 1 << ": beats found that are none";
}

struct CleanCase {
  double bpm, rate;
};

class CleanSensorPulse : public testing::TestWithParam<CleanCase> {};

TEST_P(CleanSensorPulse, OnsetsWithin20msAndRateWithin1Bpm) {
  const CleanCase c = GetParam();
  PulseScript script;
  script.bpm = {{0, c.bpm}};
  const double seconds = std::max(20.0, 14 * 60.0 / c.bpm);
  const SensorRun r = Simulate(script, c.rate, seconds);
  // 20 ms, plus one sample: an onset is reported as a sample index, a true one lies anywhere.
  const double tolerance = 0.020 + 1.0 / c.rate;
  for (int ch = 0; ch < 3; ++ch) {
    ExpectBeatsFound(r, ch, 3.0, seconds - 1.5, tolerance);
    const auto bpm = r.analyzer.RateBpm(ch);
    ASSERT_TRUE(bpm.has_value()) << "channel " << ch + 1;
    EXPECT_NEAR(*bpm, c.bpm, 1.0) << "channel " << ch + 1;
    EXPECT_EQ(r.analyzer.Quality(ch), SignalQuality::kGood) << "channel " << ch + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(RatesAndSampleRates, CleanSensorPulse,
                         testing::Values(CleanCase{30, 200}, CleanCase{45, 100},
                                         CleanCase{72, 200}, CleanCase{72, 50},
                                         CleanCase{110, 250}, CleanCase{160, 200},
                                         CleanCase{240, 250}),
                         [](const auto& p) {
                           return std::to_string(static_cast<int>(p.param.bpm)) + "bpm_" +
                                  std::to_string(static_cast<int>(p.param.rate)) + "Hz";
                         });

TEST(SensorTruth, NoPulseFromFlatSaturatedAndNoiseOnlySignals) {
  for (const auto kind : {pulse::vsensor::SignalKind::kFlat, pulse::vsensor::SignalKind::kSaturated,
                          pulse::vsensor::SignalKind::kNoise}) {
    SCOPED_TRACE(static_cast<int>(kind));
    PulseScript script;
    script.signal = kind;
    const SensorRun r = Simulate(script, 200, 30);
    EXPECT_TRUE(r.truth.empty());
    for (int ch = 0; ch < 3; ++ch) {
      EXPECT_FALSE(r.analyzer.RateBpm(ch).has_value()) << "channel " << ch + 1;
      EXPECT_EQ(r.analyzer.Quality(ch), SignalQuality::kNoPulse) << "channel " << ch + 1;
    }
    // Never a made-up rate on the way either.
    EXPECT_TRUE(std::all_of(r.shown.begin(), r.shown.end(), [](double b) { return b < 0; }));
  }
}

TEST(SensorTruth, IrregularRhythmIsMadeAsAskedAndFollowed) {
  PulseScript script;
  script.bpm = {{0, 70}};
  script.irregular = 0.25;
  const double seconds = 120;
  const SensorRun r = Simulate(script, 200, seconds, 11);
  // The model: premature beats come early and are followed by a compensatory pause; skipped
  // beats leave a double interval.
  const std::vector<double> onsets = TrueOnsets(r, 0);
  int premature = 0, skipped = 0;
  const double normal = 60.0 / 70;
  for (std::size_t i = 0; i + 1 < onsets.size(); ++i) {
    const double gap = onsets[i + 1] - onsets[i];
    if (gap < 0.8 * normal) {
      ++premature;
      if (i + 2 >= onsets.size()) break;  // the run ended in the pause
      EXPECT_NEAR(gap + (onsets[i + 2] - onsets[i + 1]), 2 * normal, 1e-9);
      ++i;  // the pause after it is accounted for
    } else if (gap > 1.5 * normal) {
      ++skipped;
      EXPECT_NEAR(gap, 2 * normal, 1e-9);
    } else {
      EXPECT_NEAR(gap, normal, 1e-9);
    }
  }
  EXPECT_GT(premature, 5);
  EXPECT_GT(skipped, 5);
  // The host finds them all, premature ones included, and keeps the rate of the normal beats.
  ExpectBeatsFound(r, 0, 3.0, seconds - 1.5, 0.040);
  const auto bpm = r.analyzer.RateBpm(0);
  ASSERT_TRUE(bpm.has_value());
  EXPECT_NEAR(*bpm, 70, 3.0);
}

TEST(SensorTruth, DriftAmplitudeStepsAndMotionArtefacts) {
  PulseScript script;
  script.bpm = {{0, 80}};
  script.amplitude = {{0, 1.0}, {20, 0.4}, {40, 1.5}};
  script.drift = 4;
  script.motion = 3;
  const double seconds = 60;
  const SensorRun r = Simulate(script, 200, seconds, 5);
  std::vector<std::pair<double, double>> artefacts;  // where the analysis may go astray
  for (const TrueEvent& e : r.truth)
    if (e.kind == TrueEvent::Kind::kArtefact && e.channel == 0)
      artefacts.emplace_back(e.onset_s - 1.0, 2 * e.peak_s - e.onset_s + 1.0);
  EXPECT_GE(artefacts.size(), 1u);
  // Beats away from artefacts are all found despite drift and amplitude steps. The 20 ms of a
  // clean wave do not hold here: a baseline falling at up to 3 hPa/s moves the foot the
  // detector sees by up to 30 ms.
  const std::vector<double> truth = TrueOnsets(r, 0);
  int checked = 0;
  for (double t : truth) {
    if (t < 3 || t > seconds - 1.5) continue;
    if (std::any_of(artefacts.begin(), artefacts.end(),
                    [t](const auto& a) { return t > a.first && t < a.second; }))
      continue;
    ++checked;
    EXPECT_TRUE(std::any_of(r.found.begin(), r.found.end(), [&](const ChannelBeat& b) {
      return b.channel == 0 && std::fabs(Onset(r, b) - t) <= 0.040;
    })) << "no beat at " << t << " (nearest " << [&] {
      double best = 1e9;
      for (const ChannelBeat& b : r.found)
        if (b.channel == 0 && std::fabs(Onset(r, b) - t) < std::fabs(best)) best = Onset(r, b) - t;
      return best;
    }() << ")";
  }
  EXPECT_GT(checked, 50);
  const auto bpm = r.analyzer.RateBpm(0);
  ASSERT_TRUE(bpm.has_value());
  EXPECT_NEAR(*bpm, 80, 1.0);
}

TEST(SensorTruth, ScriptedRateChangeIsFollowedWithinOneBeat) {
  PulseScript script;
  script.bpm = {{0, 60}, {15, 100}};
  const SensorRun r = Simulate(script, 200, 30);
  const std::vector<double> onsets = TrueOnsets(r, 0);
  // The first beat at the new rate ends the first short interval.
  const auto first_new = std::find_if(onsets.begin() + 1, onsets.end(), [&](const double& t) {
    return t - *(&t - 1) < 0.7;
  });
  ASSERT_NE(first_new, onsets.end());
  // When that beat and the next are reported, and when the readout shows 100 bpm.
  std::vector<double> reported;
  for (const ChannelBeat& b : r.found)
    if (b.channel == 0) reported.push_back(Onset(r, b));
  double shown_at = -1;
  for (std::size_t i = 0; i < r.shown.size() && shown_at < 0; ++i)
    if (std::fabs(r.shown[i] - 100) <= 1.0) shown_at = static_cast<double>(i) / r.rate;
  ASSERT_GT(shown_at, 0);
  // Shown no later than one new beat period after the first new beat's onset was followed by
  // its confirming beat: at most the second new onset plus the report delay of one beat.
  EXPECT_GT(shown_at, *first_new);
  EXPECT_LT(shown_at, *(first_new + 1) + 60.0 / 100 + 0.15);
}

}  // namespace
