#include "analysis/pulse_analyzer.h"

#include <gtest/gtest.h>

#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/beats_csv.h"
#include "analysis/offline_analysis.h"
#include "tests/analysis/synthetic_pulse.h"

namespace pulse::analysis {
namespace {

using test::SteadyBeats;
using test::SynthesiseWave;

std::vector<WaveFrame> ThreeChannels(double fs, double duration) {
  // Channel 1 beats at 72 bpm, channel 2 is flat, channel 3 beats at 120 bpm, small and offset.
  const auto a = SynthesiseWave(SteadyBeats(72, duration), fs, duration, {.level = 50.0});
  const auto c =
      SynthesiseWave(SteadyBeats(120, duration, 0.5, 0.02), fs, duration, {.level = -3.0});
  std::vector<WaveFrame> frames(a.size());
  for (size_t i = 0; i < a.size(); ++i) frames[i].wave = {a[i], 12.0, c[i]};
  return frames;
}

TEST(PulseAnalyzer, ChannelsAreIndependent) {
  const double fs = 100;
  PulseAnalyzer analyzer(fs);
  std::array<int, kChannels> counts{};
  for (const auto& f : ThreeChannels(fs, 20.0))
    for (const auto& b : analyzer.Push(f)) ++counts[static_cast<size_t>(b.channel)];
  EXPECT_NEAR(counts[0], 72 * 20 / 60, 2);
  EXPECT_EQ(counts[1], 0);
  EXPECT_NEAR(counts[2], 120 * 20 / 60, 2);
  EXPECT_NEAR(analyzer.RateBpm(0).value_or(0), 72, 1);
  EXPECT_FALSE(analyzer.RateBpm(1));
  EXPECT_EQ(analyzer.Quality(1), SignalQuality::kNoPulse);
  EXPECT_NEAR(analyzer.RateBpm(2).value_or(0), 120, 2);
  EXPECT_EQ(analyzer.Quality(2), SignalQuality::kGood);

  analyzer.Reset(fs);
  EXPECT_EQ(analyzer.Frames(), 0);
  EXPECT_FALSE(analyzer.RateBpm(0));
}

TEST(OfflineAnalysis, SummaryPerChannel) {
  const double fs = 200;
  const auto result = AnalyzeFrames(ThreeChannels(fs, 30.0), fs);
  const auto& s = result.channels;
  EXPECT_NEAR(static_cast<double>(s[0].beat_count), 72 * 30 / 60, 2);
  EXPECT_NEAR(s[0].median_rate_bpm.value_or(0), 72, 1);
  EXPECT_NEAR(s[0].median_amplitude.value_or(0), 1.0, 0.15);
  EXPECT_NEAR(s[0].median_rise_time_s.value_or(0), 0.12, 0.03);
  EXPECT_EQ(s[1].beat_count, 0u);
  EXPECT_FALSE(s[1].median_rate_bpm);
  EXPECT_FALSE(s[1].median_amplitude);
  EXPECT_NEAR(s[2].median_rate_bpm.value_or(0), 120, 2);
  EXPECT_NEAR(s[2].median_amplitude.value_or(0), 0.02, 0.004);
  for (const auto& b : result.beats) EXPECT_NE(b.channel, 1);
}

// Decimal comma and digit grouping, as some desktop locales have.
struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(BeatsCsv, FieldsTimesAndEmptyCellsWhateverTheLocale) {
  Beat first{.onset = 250,
             .peak = 280,
             .notch = std::nullopt,
             .interval_s = std::nullopt,
             .amplitude = 1234.5,
             .rise_time_s = 0.12};
  Beat second{.onset = 460,
              .peak = 491,
              .notch = 560,
              .interval_s = 0.84,
              .amplitude = 0.00125,
              .rise_time_s = 0.124};
  const std::vector<ChannelBeat> beats{{0, first}, {2, second}};

  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
  std::ostringstream out;
  out.imbue(std::locale());
  const bool ok = WriteBeatsCsv(out, beats, 250.0);
  std::locale::global(previous);

  ASSERT_TRUE(ok);
  EXPECT_EQ(out.str(),
            "channel,onset_s,peak_s,notch_s,amplitude,interval_s\n"
            "1,1.0000,1.1200,,1234.5,\n"
            "3,1.8400,1.9640,2.2400,0.00125,0.8400\n");
}

TEST(BeatsCsv, ReportsAFailedStream) {
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  EXPECT_FALSE(WriteBeatsCsv(out, {}, 100.0));
}

}  // namespace
}  // namespace pulse::analysis
