#include "analysis/pulse_analyzer.h"

namespace pulse::analysis {

PulseAnalyzer::PulseAnalyzer(double rate_hz)
    : rate_(rate_hz),
      detectors_{BeatDetector(rate_hz), BeatDetector(rate_hz), BeatDetector(rate_hz)},
      rates_{PulseRate(rate_hz), PulseRate(rate_hz), PulseRate(rate_hz)} {}

void PulseAnalyzer::Reset(double rate_hz) {
  rate_ = rate_hz;
  for (auto& d : detectors_) d.Reset(rate_hz);
  for (auto& r : rates_) r.Reset(rate_hz);
  next_index_ = 0;
}

std::span<const ChannelBeat> PulseAnalyzer::Push(const WaveFrame& frame) {
  const int64_t index = next_index_++;
  size_t found = 0;
  for (int ch = 0; ch < kChannels; ++ch) {
    const auto c = static_cast<size_t>(ch);
    if (auto beat = detectors_[c].Push(frame.wave[c], index)) {
      rates_[c].AddBeat(*beat, index);
      completed_[found++] = {ch, *beat};
    } else {
      rates_[c].Advance(index);
    }
  }
  return {completed_.data(), found};
}

std::optional<double> PulseAnalyzer::RateBpm(int channel) const {
  return rates_.at(static_cast<size_t>(channel)).RateBpm();
}

SignalQuality PulseAnalyzer::Quality(int channel) const {
  return rates_.at(static_cast<size_t>(channel)).Quality();
}

}  // namespace pulse::analysis
