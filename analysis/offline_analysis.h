// Whole-recording analysis: every beat of the three channels and a summary per channel.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "analysis/pulse_analyzer.h"

namespace pulse::analysis {

struct ChannelSummary {
  size_t beat_count = 0;
  std::optional<double> median_rate_bpm;  // from the beat-to-beat intervals
  std::optional<double> median_amplitude;
  std::optional<double> median_rise_time_s;
};

struct OfflineAnalysis {
  double rate_hz = 0.0;
  std::vector<ChannelBeat> beats;  // in the order they were completed
  std::array<ChannelSummary, kChannels> channels{};
};

// Runs the live analyzer over `frames` sampled at `rate_hz`.
[[nodiscard]] OfflineAnalysis AnalyzeFrames(const std::vector<WaveFrame>& frames, double rate_hz);

}  // namespace pulse::analysis
