// A channel's pulse rate and signal quality from its recent beats.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "analysis/beat.h"

namespace pulse::analysis {

class PulseRate {
 public:
  explicit PulseRate(double rate_hz) { Reset(rate_hz); }
  void Reset(double rate_hz);

  // A beat the detector reported at sample `now`.
  void AddBeat(const Beat& beat, int64_t now);
  // The sample just fed, so a pulse that stops is noticed without a beat.
  void Advance(int64_t now) { now_ = now; }

  // Median of the last intervals in beats per minute; none while there is no pulse.
  [[nodiscard]] std::optional<double> RateBpm() const;
  [[nodiscard]] SignalQuality Quality() const;

  static constexpr size_t kHistory = 8;  // intervals the rate is the median of

 private:
  void Clear();
  [[nodiscard]] double MedianInterval() const;

  double rate_ = 1.0;
  std::array<double, kHistory> intervals_{};  // seconds, oldest first
  std::array<double, kHistory> amplitudes_{};
  std::array<double, kHistory> rises_{};
  size_t count_ = 0;   // intervals held
  size_t shapes_ = 0;  // amplitudes and rise times held
  int64_t last_report_ = -1;
  int64_t now_ = 0;
};

}  // namespace pulse::analysis
