#include "analysis/beat_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "analysis/pulse_rate.h"
#include "tests/analysis/synthetic_pulse.h"

namespace pulse::analysis {
namespace {

using test::Bump;
using test::SteadyBeats;
using test::SynthesiseWave;
using test::SyntheticBeat;
using test::WaveOptions;

struct Reported {
  Beat beat;
  int64_t at;                      // sample the beat was reported at
  std::optional<double> rate_bpm;  // channel rate right after it
};

struct Run {
  std::vector<Reported> beats;
  std::vector<SignalQuality> quality;  // per sample
  std::vector<bool> rate_shown;        // per sample
};

Run Detect(const std::vector<double>& wave, double rate_hz) {
  BeatDetector detector(rate_hz);
  PulseRate rate(rate_hz);
  Run run;
  for (size_t i = 0; i < wave.size(); ++i) {
    const auto index = static_cast<int64_t>(i);
    if (auto b = detector.Push(wave[i], index)) {
      rate.AddBeat(*b, index);
      run.beats.push_back({*b, index, rate.RateBpm()});
    } else {
      rate.Advance(index);
    }
    run.quality.push_back(rate.Quality());
    run.rate_shown.push_back(rate.RateBpm().has_value());
  }
  return run;
}

// Every true beat from `from_s` on is found once, with its onset within `tolerance_s`, and
// nothing else is reported there. Returns the matched detections in order.
std::vector<Reported> ExpectBeatsMatch(const Run& run, const std::vector<SyntheticBeat>& truth,
                                       double rate_hz, double from_s, double to_s,
                                       double tolerance_s) {
  std::vector<Reported> matched;
  size_t considered = 0;
  for (const auto& t : truth) {
    if (t.onset_s < from_s || t.onset_s > to_s) continue;
    ++considered;
    const Reported* best = nullptr;
    for (const auto& r : run.beats) {
      const double err = std::fabs(static_cast<double>(r.beat.onset) / rate_hz - t.onset_s);
      if (err <= tolerance_s + 1e-9 &&
          (!best || err < std::fabs(static_cast<double>(best->beat.onset) / rate_hz - t.onset_s)))
        best = &r;
    }
    if (best) {
      matched.push_back(*best);
      continue;
    }
    double nearest = 1e9;
    for (const auto& r : run.beats)
      if (std::fabs(static_cast<double>(r.beat.onset) / rate_hz - t.onset_s) < std::fabs(nearest))
        nearest = static_cast<double>(r.beat.onset) / rate_hz - t.onset_s;
    ADD_FAILURE() << "no beat within " << tolerance_s << " s of onset " << t.onset_s << " (nearest "
                  << nearest << " s off)";
  }
  size_t reported = 0;
  for (const auto& r : run.beats) {
    const double onset = static_cast<double>(r.beat.onset) / rate_hz;
    if (onset >= from_s - tolerance_s && onset <= to_s + tolerance_s) ++reported;
  }
  EXPECT_EQ(reported, considered) << "extra or merged beats";
  return matched;
}

struct RateCase {
  double bpm;
  double rate_hz;
};

class CleanPulse : public ::testing::TestWithParam<RateCase> {};

TEST_P(CleanPulse, OnsetsWithin20msAndRateExact) {
  const auto [bpm, fs] = GetParam();
  const double duration = std::max(20.0, 16 * 60.0 / bpm);
  const auto truth = SteadyBeats(bpm, duration - 1.0);
  const auto wave = SynthesiseWave(truth, fs, duration, {.level = 87.5});
  const auto run = Detect(wave, fs);

  // The first beats only teach the threshold; from the third on every one must be found.
  const double from = truth[2].onset_s;
  const auto matched = ExpectBeatsMatch(run, truth, fs, from, duration - 2.0, 0.020);
  ASSERT_GE(matched.size(), 8u);
  const auto& last = matched.back();
  ASSERT_TRUE(last.rate_bpm);
  EXPECT_NEAR(*last.rate_bpm, bpm, 0.02 * bpm + 0.5);
  // Amplitude: the wave's own rise from the true foot to the true top of that beat.
  const double rise = std::min(0.12, 0.25 * 60.0 / bpm);
  const double onset_s =
      std::round(static_cast<double>(last.beat.onset) / fs * bpm / 60.0 - 0.3 * bpm / 60.0) * 60.0 /
          bpm +
      0.3;
  const auto at = [&wave, rate = fs](double t) {
    return wave[static_cast<size_t>(std::lround(t * rate))];
  };
  EXPECT_NEAR(last.beat.amplitude, at(onset_s + rise) - at(onset_s), 0.1);
  EXPECT_NEAR(last.beat.rise_time_s, rise, 0.03);
  EXPECT_EQ(run.quality.back(), SignalQuality::kGood);
  // Peak after onset, notch after peak and before the next beat.
  for (const auto& r : matched) {
    EXPECT_GT(r.beat.peak, r.beat.onset);
    if (r.beat.notch) {
      EXPECT_GT(*r.beat.notch, r.beat.peak);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RatesAndSampleRates, CleanPulse,
                         ::testing::Values(RateCase{30, 50}, RateCase{30, 250}, RateCase{45, 100},
                                           RateCase{60, 50}, RateCase{72, 125}, RateCase{100, 200},
                                           RateCase{150, 100}, RateCase{180, 250},
                                           RateCase{240, 250}, RateCase{240, 100}),
                         [](const auto& p) {
                           return std::to_string(static_cast<int>(p.param.bpm)) + "bpm_" +
                                  std::to_string(static_cast<int>(p.param.rate_hz)) + "Hz";
                         });

// Disturbed but still readable waves: every beat is found (within 60 ms), nothing is added.
struct DisturbedCase {
  std::string name;
  std::vector<SyntheticBeat> beats;
  WaveOptions options;
  double rate_hz;
};

class DisturbedPulse : public ::testing::TestWithParam<DisturbedCase> {};

TEST_P(DisturbedPulse, EveryBeatOnceAndNoExtra) {
  const auto& c = GetParam();
  const double duration = c.beats.back().onset_s + 2.0;
  const auto run = Detect(SynthesiseWave(c.beats, c.rate_hz, duration, c.options), c.rate_hz);
  ExpectBeatsMatch(run, c.beats, c.rate_hz, c.beats[2].onset_s, duration - 1.5, 0.06);
}

std::vector<SyntheticBeat> Irregular() {
  // Premature beats (early and weaker, then a compensating pause) and a dropped beat.
  std::vector<SyntheticBeat> b;
  double t = 0.3;
  for (int i = 0; i < 30; ++i) {
    const bool premature = i % 7 == 4;
    b.push_back({t, premature ? 0.7 : 1.0});
    t += premature ? 0.55 : (i % 7 == 5 ? 1.25 : (i == 20 ? 1.8 : 0.85));
  }
  return b;
}

std::vector<SyntheticBeat> AmplitudeSteps() {
  auto b = SteadyBeats(75, 30.0);
  for (size_t i = 0; i < b.size(); ++i) b[i].amplitude = i < 12 ? 1.0 : (i < 24 ? 0.4 : 1.8);
  return b;
}

std::vector<SyntheticBeat> Breathing() {
  auto b = SteadyBeats(66, 30.0);
  for (auto& beat : b) beat.amplitude = 1.0 + 0.35 * std::sin(2 * 3.14159265 * 0.25 * beat.onset_s);
  return b;
}

// Knocks of the sensor at a fixed offset from some of the beats of a 70 bpm pulse.
std::vector<Bump> KnocksAt(double offset_s, double width_s, double height) {
  const double interval = 60.0 / 70.0;
  std::vector<Bump> bumps;
  for (int beat : {6, 11, 17, 23, 28})
    bumps.push_back({0.3 + beat * interval + offset_s, width_s, height});
  return bumps;
}

INSTANTIATE_TEST_SUITE_P(
    Disturbances, DisturbedPulse,
    ::testing::Values(
        DisturbedCase{"irregular", Irregular(), {}, 125},
        DisturbedCase{"amplitude_steps", AmplitudeSteps(), {}, 100},
        DisturbedCase{"breathing", Breathing(), {.noise_sigma = 0.02}, 200},
        DisturbedCase{"drift", SteadyBeats(70, 30.0), {.level = -40.0, .drift_height = 3.0}, 250},
        DisturbedCase{"noise", SteadyBeats(80, 30.0), {.noise_sigma = 0.05, .seed = 7}, 250},
        DisturbedCase{"noise_50Hz", SteadyBeats(95, 30.0), {.noise_sigma = 0.05, .seed = 9}, 50},
        // Knocks between beats, slower than an upstroke.
        DisturbedCase{"motion",
                      SteadyBeats(60, 30.0),
                      {.bumps = {{6.85, 0.12, 0.8}, {12.9, 0.2, -0.9}, {19.75, 0.15, 0.6}}},
                      200},
        // A knock rising just before a beat, weaker than the beat that keeps the rhythm.
        DisturbedCase{"knock_before_beat", SteadyBeats(70, 30.0),
                      {.noise_sigma = 0.01, .bumps = KnocksAt(-0.22, 0.07, 0.9)}, 100}),
    [](const auto& p) { return p.param.name; });

struct QuietCase {
  std::string name;
  std::vector<double> wave;
  double rate_hz;
};

class NoPulse : public ::testing::TestWithParam<QuietCase> {};

TEST_P(NoPulse, NoBeatNoRate) {
  const auto& c = GetParam();
  const auto run = Detect(c.wave, c.rate_hz);
  EXPECT_LE(run.beats.size(), 1u);
  for (size_t i = 0; i < run.rate_shown.size(); ++i) {
    ASSERT_FALSE(run.rate_shown[i]) << "a rate at " << static_cast<double>(i) / c.rate_hz << " s";
    ASSERT_EQ(run.quality[i], SignalQuality::kNoPulse);
  }
}

std::vector<double> Noise(double rate_hz, double sigma, uint32_t seed) {
  return SynthesiseWave({}, rate_hz, 60.0, {.level = 3.0, .noise_sigma = sigma, .seed = seed});
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, NoPulse,
    ::testing::Values(QuietCase{"flat_zero", std::vector<double>(6000, 0.0), 100},
                      QuietCase{"flat_level", std::vector<double>(6000, 101.325), 100},
                      QuietCase{"saturated", std::vector<double>(12000, 32.767), 200},
                      QuietCase{"noise_250Hz", Noise(250, 0.5, 1), 250},
                      QuietCase{"noise_100Hz", Noise(100, 2.0, 2), 100},
                      QuietCase{"noise_50Hz", Noise(50, 0.01, 3), 50}),
    [](const auto& p) { return p.param.name; });

TEST(PulseStops, NoPulseSoonAfterTheLastBeat) {
  const double fs = 100;
  auto wave = SynthesiseWave(SteadyBeats(72, 15.0), fs, 30.0);
  const auto run = Detect(wave, fs);
  EXPECT_EQ(run.quality[static_cast<size_t>(14 * fs)], SignalQuality::kGood);
  // Last beat near 14.5 s: within 2.5 s plus the reporting delay the pulse is gone.
  EXPECT_EQ(run.quality[static_cast<size_t>(18 * fs)], SignalQuality::kNoPulse);
  EXPECT_FALSE(run.rate_shown.back());
}

TEST(RateStep, FollowsWithinAboutOneBeat) {
  const double fs = 200;
  std::vector<SyntheticBeat> beats = SteadyBeats(60, 15.0);
  const double change = beats.back().onset_s + 1.0;
  for (double t = change; t < 30.0; t += 60.0 / 110.0) beats.push_back({t, 1.0});
  const auto run = Detect(SynthesiseWave(beats, fs, 30.0), fs);

  int after = 0;
  for (const auto& r : run.beats) {
    if (static_cast<double>(r.beat.onset) / fs < change + 0.1) {
      if (static_cast<double>(r.beat.onset) / fs > 8.0) {
        EXPECT_NEAR(r.rate_bpm.value_or(0), 60, 1);
      }
      continue;
    }
    // The first new interval may be a premature beat; the second confirms the new rate.
    if (++after >= 3) {
      EXPECT_NEAR(r.rate_bpm.value_or(0), 110, 2.5) << "beat " << after;
    }
  }
  EXPECT_GE(after, 10);
}

TEST(IndexGap, RestartsInsteadOfBridging) {
  const double fs = 100;
  const auto wave = SynthesiseWave(SteadyBeats(60, 20.0), fs, 20.0);
  BeatDetector detector(fs);
  std::vector<Beat> beats;
  for (size_t i = 0; i < wave.size(); ++i) {
    // 3 s of frames lost after 10 s.
    const auto index = static_cast<int64_t>(i < 1000 ? i : i + 300);
    if (auto b = detector.Push(wave[i], index)) beats.push_back(*b);
  }
  bool first_after_gap = true;
  for (const auto& b : beats) {
    if (b.onset < 1300) continue;
    if (first_after_gap) {
      EXPECT_FALSE(b.interval_s) << "an interval across the gap";
    }
    first_after_gap = false;
  }
  EXPECT_FALSE(first_after_gap) << "no beat after the gap";
}

}  // namespace
}  // namespace pulse::analysis
