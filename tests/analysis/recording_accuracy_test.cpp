// The detector against a real arterial recording and its reference beats, resampled and
// disturbed as the device and the operator would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tools/analysis-eval/accuracy.h"

namespace pulse::analysis::eval {
namespace {

constexpr double kGoalPercent = 99.5;
constexpr double kGoalBpm = 1.0;

struct Variant {
  double rate_hz;
  Disturbance disturbance;
};

class ReferenceRecordingAccuracy : public ::testing::TestWithParam<Variant> {};

TEST_P(ReferenceRecordingAccuracy, MeetsTheGoals) {
  const std::string dir = PULSE_REFERENCE_DATA "/c14_setp_100";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no reference data at " << dir;
  std::string error;
  const auto rec = LoadReferenceRecording(dir, &error);
  ASSERT_TRUE(rec) << error;
  const auto [rate, disturbance] = GetParam();
  const auto s = EvaluateVariant(*rec, rate, disturbance, 1);
  EXPECT_GT(s.true_beats, 3 * 130u);
  EXPECT_GE(s.Sensitivity(), kGoalPercent);
  EXPECT_GE(s.PositivePredictivity(), kGoalPercent);
  EXPECT_LE(s.MedianRateError(), kGoalBpm);
}

INSTANTIATE_TEST_SUITE_P(RatesAndDisturbances, ReferenceRecordingAccuracy,
                         ::testing::Values(Variant{250, Disturbance::kClean},
                                           Variant{250, Disturbance::kAll},
                                           Variant{100, Disturbance::kClean},
                                           Variant{100, Disturbance::kAll},
                                           Variant{50, Disturbance::kNoise}),
                         [](const auto& p) {
                           return std::to_string(static_cast<int>(p.param.rate_hz)) + "Hz_" +
                                  std::string(DisturbanceName(p.param.disturbance));
                         });

// The scorer itself: shifted perfect detections score 100 %, a dropped or added beat counts.
TEST(ScoreBeats, CountsMissedAndExtraBeatsAfterTheDelay) {
  std::vector<double> ref;
  for (int i = 0; i < 40; ++i) ref.push_back(0.5 + 0.8 * i);
  std::vector<DetectedBeat> det;
  for (double r : ref) det.push_back({r + 0.15, r + 0.28, 75.0});
  const double duration = 34.0;
  const auto perfect = ScoreBeats(det, ref, duration);
  EXPECT_EQ(perfect.missed, 0u);
  EXPECT_EQ(perfect.extra, 0u);
  EXPECT_NEAR(perfect.MedianRateError(), 0.0, 1e-9);

  auto flawed = det;
  flawed.erase(flawed.begin() + 10);
  flawed.push_back({20.5, 20.6, 75.0});  // between two pulses
  const auto s = ScoreBeats(flawed, ref, duration);
  EXPECT_EQ(s.missed, 1u);
  EXPECT_EQ(s.extra, 1u);
  EXPECT_LT(s.Sensitivity(), 100.0);
  EXPECT_LT(s.PositivePredictivity(), 100.0);
}

TEST(Quantise, CountsOfTheUnitAndClipping) {
  const auto q =
      Quantise({100.0, 100.00049, 200.0}, {.offset = 100.0, .scale = 1.0, .unit_factor = 0.75});
  EXPECT_DOUBLE_EQ(q[0], 0.0);
  EXPECT_DOUBLE_EQ(q[1], 0.00075);              // one count of 0.75/1000
  EXPECT_DOUBLE_EQ(q[2], 32767 * 0.75 / 1000);  // clipped at the int16 limit
}

}  // namespace
}  // namespace pulse::analysis::eval
