// A reference pressure recording with its beat annotations, as kept under data/pulse/.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pulse::analysis::eval {

struct ReferenceRecording {
  double rate_hz = 0.0;
  std::vector<double> pressure;  // mmHg
  std::vector<double> beats_s;   // reference beat times (they precede the pressure pulses)
};

// Reads `dir`/signal.csv and `dir`/beats.csv; on failure returns nothing and says why.
[[nodiscard]] std::optional<ReferenceRecording> LoadReferenceRecording(const std::string& dir,
                                                                       std::string* error);

}  // namespace pulse::analysis::eval
