// Beat detection, rate and quality for the three channels of a frame.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "analysis/beat.h"
#include "analysis/beat_detector.h"
#include "analysis/pulse_rate.h"

namespace pulse::analysis {

constexpr int kChannels = 3;

// One frame's wave values, in the selected pressure unit.
struct WaveFrame {
  std::array<double, kChannels> wave{};
};

struct ChannelBeat {
  int channel = 0;  // 0-based
  Beat beat;
};

// The same code serves live frames, replay and files.
class PulseAnalyzer {
 public:
  explicit PulseAnalyzer(double rate_hz);
  void Reset(double rate_hz);

  // Feeds the next frame (sample indices count from the last reset); returns the beats it
  // completed, valid until the next call.
  [[nodiscard]] std::span<const ChannelBeat> Push(const WaveFrame& frame);

  [[nodiscard]] std::optional<double> RateBpm(int channel) const;
  [[nodiscard]] SignalQuality Quality(int channel) const;
  [[nodiscard]] double RateHz() const { return rate_; }
  [[nodiscard]] int64_t Frames() const { return next_index_; }

 private:
  double rate_;
  std::array<BeatDetector, kChannels> detectors_;
  std::array<PulseRate, kChannels> rates_;
  std::array<ChannelBeat, kChannels> completed_{};
  int64_t next_index_ = 0;
};

}  // namespace pulse::analysis
