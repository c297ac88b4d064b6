#include "analysis/offline_analysis.h"

#include <algorithm>

namespace pulse::analysis {

namespace {

std::optional<double> Median(std::vector<double> v) {
  if (v.empty()) return std::nullopt;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

OfflineAnalysis AnalyzeFrames(const std::vector<WaveFrame>& frames, double rate_hz) {
  OfflineAnalysis result;
  result.rate_hz = rate_hz;
  PulseAnalyzer analyzer(rate_hz);
  for (const auto& frame : frames)
    for (const auto& b : analyzer.Push(frame)) result.beats.push_back(b);

  for (int ch = 0; ch < kChannels; ++ch) {
    std::vector<double> rates, amplitudes, rises;
    for (const auto& b : result.beats) {
      if (b.channel != ch) continue;
      if (b.beat.interval_s && *b.beat.interval_s > 0.0) rates.push_back(60.0 / *b.beat.interval_s);
      amplitudes.push_back(b.beat.amplitude);
      rises.push_back(b.beat.rise_time_s);
    }
    auto& s = result.channels[static_cast<size_t>(ch)];
    s.beat_count = amplitudes.size();
    s.median_rate_bpm = Median(std::move(rates));
    s.median_amplitude = Median(std::move(amplitudes));
    s.median_rise_time_s = Median(std::move(rises));
  }
  return result;
}

}  // namespace pulse::analysis
