// The window's pulse analysis driven the way the program drives it: data
// frames through the parser (live) or record lines through the replay, the
// views counting samples, the timer ticking.
#include "window/live_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/analysis/synthetic_pulse.h"
#include "tests/support/form_fixture.h"
#include "tools/virtual-sensor/device_frames.h"

namespace {

using pulse::analysis::SignalQuality;
using pulse::test::SteadyBeats;
using pulse::test::SyntheticBeat;
using pulse::test::SynthesiseWave;
using pulse::window::LiveAnalysis;

constexpr double kRate = 200.0;
constexpr double kRawPerHpa = 1000.0;  // wave values count 0.001 hPa
constexpr double kAmplitudeHpa = 8.0;

struct Mark {
  double onset_x, onset_y, peak_x, peak_y;
};

class FakeMarks : public pulse::window::IBeatMarks {
 public:
  void AddBeat(double ox, double oy, double px, double py) override {
    marks.push_back({ox, oy, px, py});
  }
  void ClearBeats() override {
    marks.clear();
    ++clears;
  }
  void ShowBeats(bool on) override { shown = on; }
  std::vector<Mark> marks;
  int clears = 0;
  bool shown = false;
};

std::vector<int16_t> Raw(const std::vector<double>& hpa) {
  std::vector<int16_t> raw;
  raw.reserve(hpa.size());
  for (double v : hpa) raw.push_back(static_cast<int16_t>(std::lround(v * kRawPerHpa)));
  return raw;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (uint8_t b : bytes) {
    if (!s.empty()) s += ' ';
    s += kDigits[b >> 4];
    s += kDigits[b & 0x0F];
  }
  return s;
}

class LiveAnalysisTest : public pulse::test::FormFixture {
 protected:
  void SetUp() override {
    MakeForm();
    form_->Analysis().SetMarks({&m1_, &m2_, &m3_});
  }
  LiveAnalysis& A() { return form_->Analysis(); }

  // Three waves (hPa) as the device would send them, frame after frame; `each`
  // runs after every frame with its index.
  template <typename Each>
  void SendFrames(const std::array<std::vector<int16_t>, 3>& waves, size_t from, size_t to,
                  Each each) {
    const std::array<int16_t, 3> statics{500, 600, 700};
    for (size_t i = from; i < to; ++i) {
      const std::array<int16_t, 3> wave{waves[0][i], waves[1][i], waves[2][i]};
      const auto frame = pulse::vsensor::DataFrame(statics, wave);
      form_->Parser().Comm321ReceiveData(frame.data(), static_cast<uint16_t>(frame.size()));
      each(i);
    }
  }
  void SendFrames(const std::array<std::vector<int16_t>, 3>& waves, size_t from, size_t to) {
    SendFrames(waves, from, to, [](size_t) {});
  }

  FakeMarks m1_, m2_, m3_;
};

// Nearest true onset to t, in seconds.
double NearestOnset(const std::vector<SyntheticBeat>& truth, double t) {
  double best = 1e9;
  for (const auto& b : truth)
    if (std::fabs(b.onset_s - t) < std::fabs(best - t)) best = b.onset_s;
  return best;
}

TEST_F(LiveAnalysisTest, ParsedFramesGiveRateQualityAndMarksOnTheDrawnWave) {
  const double seconds = 14;
  const auto beats72 = SteadyBeats(72, seconds, 0.3, kAmplitudeHpa);
  const auto beats100 = SteadyBeats(100, seconds, 0.5, kAmplitudeHpa * 0.6);
  const std::array<std::vector<int16_t>, 3> waves{
      Raw(SynthesiseWave(beats72, kRate, seconds)), Raw(SynthesiseWave(beats100, kRate, seconds)),
      std::vector<int16_t>(static_cast<size_t>(seconds * kRate), 40)};
  SendFrames(waves, 0, waves[0].size());

  EXPECT_EQ(A().Readout(0).text, "脉率: 72 bpm");
  EXPECT_EQ(A().Readout(0).quality, SignalQuality::kGood);
  EXPECT_EQ(A().Readout(0).hint, "信号质量: 良好");
  EXPECT_EQ(A().Readout(1).text, "脉率: 100 bpm");
  EXPECT_EQ(A().Readout(2).text, "脉率: --");
  EXPECT_EQ(A().Readout(2).quality, SignalQuality::kNoPulse);
  EXPECT_EQ(A().Readout(2).hint, "信号质量: 无脉搏");

  // Live frames are drawn at SampleCount1 / SampleRate: the first frame at 1/rate.
  const double f = S().UnitFactor;
  for (const auto& [marks, truth, wave] :
       {std::tuple{&m1_, &beats72, &waves[0]}, std::tuple{&m2_, &beats100, &waves[1]}}) {
    ASSERT_GE(marks->marks.size(), 12u);
    for (const Mark& m : marks->marks) {
      const double onset_s = m.onset_x - 1.0 / kRate;
      EXPECT_LE(std::fabs(onset_s - NearestOnset(*truth, onset_s)), 0.020 + 1e-9);
      EXPECT_GT(m.peak_x, m.onset_x);
      // Marks sit on the values drawn at their times.
      // Copied: clang-14 cannot capture a structured binding.
      const auto at = [&, drawn = wave](double x) {
        return (*drawn)[static_cast<size_t>(std::lround(x * kRate)) - 1] * f / kRawPerHpa;
      };
      EXPECT_DOUBLE_EQ(m.onset_y, at(m.onset_x));
      EXPECT_DOUBLE_EQ(m.peak_y, at(m.peak_x));
      EXPECT_GT(m.peak_y - m.onset_y, 0.5 * kAmplitudeHpa * 0.6 * f);
    }
  }
  EXPECT_TRUE(m3_.marks.empty());
  EXPECT_TRUE(m1_.shown);
}

TEST_F(LiveAnalysisTest, SweepRestartClearsTheMarksAndForgetsBeatsFromBeforeIt) {
  const double seconds = 24;  // the sweep restarts at 20 s
  const auto beats = SteadyBeats(75, seconds, 0.3, kAmplitudeHpa);
  const auto wave = Raw(SynthesiseWave(beats, kRate, seconds));
  const std::array<std::vector<int16_t>, 3> waves{wave, wave, wave};
  const size_t restart = static_cast<size_t>(20 * kRate);
  SendFrames(waves, 0, restart - 1);
  const size_t before = m1_.marks.size();
  EXPECT_GE(before, 20u);
  EXPECT_EQ(m1_.clears, 0);
  SendFrames(waves, restart - 1, waves[0].size());
  EXPECT_EQ(m1_.clears, 1);
  ASSERT_FALSE(m1_.marks.empty());
  for (const Mark& m : m1_.marks) {
    EXPECT_GT(m.onset_x, 0.0);
    EXPECT_LT(m.peak_x, seconds - 20 + 0.01);
    // The wave restarted with the counter: new times are 20 s earlier.
    const double onset_s = m.onset_x - 1.0 / kRate + 20.0;
    EXPECT_LE(std::fabs(onset_s - NearestOnset(beats, onset_s)), 0.020 + 1e-9);
  }
  // The analysis itself carried on over the restart.
  EXPECT_EQ(A().Readout(0).text, "脉率: 75 bpm");
}

TEST_F(LiveAnalysisTest, ReplayedLinesAreAnalysedWithEachViewsOwnCounter) {
  const double seconds = 26;
  const auto beats = SteadyBeats(66, seconds, 0.4, kAmplitudeHpa);
  const auto wave = Raw(SynthesiseWave(beats, kRate, seconds));
  const std::array<int16_t, 3> statics{500, 600, 700};
  for (size_t i = 0; i < wave.size(); ++i) {
    const std::array<int16_t, 3> w{wave[i], wave[i], 0};
    form_->Recording().ReplayLine(Hex(pulse::vsensor::DataFrame(statics, w)));
  }
  EXPECT_EQ(A().Readout(0).text, "脉率: 66 bpm");
  EXPECT_EQ(A().Readout(1).text, "脉率: 66 bpm");
  EXPECT_EQ(A().Readout(2).text, "脉率: --");
  // View 1 scrolls on past 20 s; view 2 restarted at 20 s and lost its marks.
  ASSERT_FALSE(m1_.marks.empty());
  EXPECT_GT(m1_.marks.back().onset_x, 22.0);
  EXPECT_EQ(m1_.clears, 0);
  EXPECT_EQ(m2_.clears, 1);
  ASSERT_FALSE(m2_.marks.empty());
  EXPECT_LT(m2_.marks.back().onset_x, 6.0);
  EXPECT_NEAR(m2_.marks.back().onset_x + 20.0, m1_.marks.back().onset_x, 1e-9);
}

TEST_F(LiveAnalysisTest, AStoppedStreamShowsNoPulseAndTheNextFramesStartAfresh) {
  const double seconds = 10;
  const auto wave = Raw(SynthesiseWave(SteadyBeats(80, seconds, 0.3, kAmplitudeHpa), kRate, seconds));
  const std::array<std::vector<int16_t>, 3> waves{wave, wave, wave};
  const auto t0 = LiveAnalysis::Clock::time_point{} + std::chrono::hours(1);
  SendFrames(waves, 0, waves[0].size());
  A().Tick(t0);
  EXPECT_EQ(A().Readout(0).text, "脉率: 80 bpm");
  const uint64_t revision = A().Revision();
  A().Tick(t0 + LiveAnalysis::kStaleAfter);  // not yet
  EXPECT_EQ(A().Readout(0).text, "脉率: 80 bpm");
  A().Tick(t0 + LiveAnalysis::kStaleAfter + std::chrono::milliseconds(100));
  EXPECT_EQ(A().Readout(0).text, "脉率: --");
  EXPECT_GT(A().Revision(), revision);
  // The gap is not bridged: the analyzer counts frames from the new start.
  SendFrames(waves, 0, 50);
  EXPECT_EQ(A().Analyzer().Frames(), 50);
}

TEST_F(LiveAnalysisTest, SilentPulseInsideAStreamTurnsToNoPulseOnTheTimer) {
  const double seconds = 16;
  auto hpa = SynthesiseWave(SteadyBeats(70, 8, 0.3, kAmplitudeHpa), kRate, seconds);
  for (size_t i = static_cast<size_t>(8.5 * kRate); i < hpa.size(); ++i) hpa[i] = 0.2;
  const auto wave = Raw(hpa);
  const std::array<std::vector<int16_t>, 3> waves{wave, wave, wave};
  auto t = LiveAnalysis::Clock::time_point{} + std::chrono::hours(1);
  std::string at_8s, at_end;
  SendFrames(waves, 0, wave.size(), [&](size_t i) {
    if (i % 20 == 0) A().Tick(t += std::chrono::milliseconds(100));
    if (i == static_cast<size_t>(8 * kRate)) at_8s = A().Readout(0).text;
  });
  EXPECT_EQ(at_8s, "脉率: 70 bpm");
  EXPECT_EQ(A().Readout(0).text, "脉率: --");
  EXPECT_EQ(A().Readout(0).quality, SignalQuality::kNoPulse);
}

TEST_F(LiveAnalysisTest, StaticCurveAndTheCheckBoxHideMarks) {
  const double seconds = 8;
  const auto wave = Raw(SynthesiseWave(SteadyBeats(70, seconds, 0.3, kAmplitudeHpa), kRate, seconds));
  const std::array<std::vector<int16_t>, 3> waves{wave, wave, wave};
  C().ch_jy.checked = true;  // view 1 shows the static pressure, not this wave
  SendFrames(waves, 0, wave.size());
  EXPECT_TRUE(m1_.marks.empty());
  EXPECT_FALSE(m2_.marks.empty());
  EXPECT_EQ(A().Readout(0).text, "脉率: 70 bpm");  // the rate is the wave's all the same

  EXPECT_EQ(A().show_beats.Caption, "显示心搏");
  A().show_beats.checked = false;
  A().ShowBeatsClick();
  EXPECT_FALSE(m1_.shown);
  EXPECT_FALSE(m2_.shown);
  EXPECT_FALSE(m3_.shown);
}

TEST_F(LiveAnalysisTest, ResetButtonWithoutFramesClearsTheMarksOnTheNextTick) {
  const double seconds = 6;
  const auto wave = Raw(SynthesiseWave(SteadyBeats(70, seconds, 0.3, kAmplitudeHpa), kRate, seconds));
  SendFrames({wave, wave, wave}, 0, wave.size());
  ASSERT_FALSE(m2_.marks.empty());
  form_->Views().SpeedButton1Click();
  A().Tick(LiveAnalysis::Clock::now());
  EXPECT_TRUE(m1_.marks.empty());
  EXPECT_TRUE(m2_.marks.empty());
}

// The rate shown follows a change of rhythm within one beat: a single odd
// interval may be a premature beat, so the first beat at the new rate is
// only taken as a change when the next one confirms it, one beat later.
TEST_F(LiveAnalysisTest, RateShownFollowsAStepWithinOneBeat) {
  for (const auto& [from_bpm, to_bpm] : {std::pair{60.0, 90.0}, std::pair{96.0, 64.0}}) {
    SCOPED_TRACE(std::to_string(from_bpm) + " -> " + std::to_string(to_bpm));
    MakeForm();
    m1_ = {};
    form_->Analysis().SetMarks({&m1_, &m2_, &m3_});
    const double change = 10.0, seconds = 20.0;
    auto beats = SteadyBeats(from_bpm, change, 0.3, kAmplitudeHpa);
    const double last_old = beats.back().onset_s;
    for (double t = last_old + 60.0 / to_bpm; t < seconds; t += 60.0 / to_bpm)
      beats.push_back({t, kAmplitudeHpa});
    const double first_new = last_old + 60.0 / to_bpm;
    const auto wave = Raw(SynthesiseWave(beats, kRate, seconds));
    double shown_at = -1, first_new_reported = -1;
    const std::string old_text = "脉率: " + std::to_string(std::lround(from_bpm)) + " bpm";
    const std::string new_text = "脉率: " + std::to_string(std::lround(to_bpm)) + " bpm";
    std::string before_first_new;
    size_t marks = 0;
    SendFrames({wave, wave, wave}, 0, wave.size(), [&](size_t i) {
      const double now = static_cast<double>(i) / kRate;
      if (m1_.marks.size() > marks) {
        marks = m1_.marks.size();
        const double onset = m1_.marks.back().onset_x - 1.0 / kRate;
        if (first_new_reported < 0 && std::fabs(onset - first_new) < 0.05) {
          first_new_reported = now;
          before_first_new = A().Readout(0).text;
        }
      }
      if (shown_at < 0 && A().Readout(0).text == new_text) shown_at = now;
    });
    ASSERT_GT(first_new_reported, 0.0);
    ASSERT_GT(shown_at, 0.0) << "never showed " << new_text;
    EXPECT_EQ(before_first_new, old_text);  // the old rate held until the change showed
    EXPECT_GE(shown_at, first_new_reported);
    EXPECT_LE(shown_at, first_new_reported + 60.0 / to_bpm + 0.05);
  }
}

}  // namespace
