// One detected pulse beat and its measures.
#pragma once

#include <cstdint>
#include <optional>

namespace pulse::analysis {

struct Beat {
  int64_t onset = 0;                 // sample index of the foot of the upstroke
  int64_t peak = 0;                  // sample index of the systolic peak
  std::optional<int64_t> notch;      // sample index of the dicrotic notch, when there is one
  std::optional<double> interval_s;  // onset to the previous beat's onset; none for the first
  double amplitude = 0.0;            // peak minus onset, in the wave's unit
  double rise_time_s = 0.0;          // onset to peak
};

enum class SignalQuality { kNoPulse, kPoor, kGood };

[[nodiscard]] constexpr const char* QualityName(SignalQuality q) {
  switch (q) {
    case SignalQuality::kGood:
      return "good";
    case SignalQuality::kPoor:
      return "poor";
    case SignalQuality::kNoPulse:
      break;
  }
  return "no pulse";
}

}  // namespace pulse::analysis
