// Scores detected beats against reference beat times and runs the analyzer on recording variants.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/pulse_analyzer.h"
#include "tools/analysis-eval/reference_recording.h"
#include "tools/analysis-eval/signal_variants.h"

namespace pulse::analysis::eval {

struct DetectedBeat {
  double onset_s = 0.0;
  double peak_s = 0.0;
  std::optional<double> rate_bpm;  // the channel's rate right after this beat was reported
};

struct Score {
  size_t true_beats = 0, missed = 0, extra = 0;
  size_t rates_missing = 0;         // matched beats after which no rate was shown
  std::vector<double> rate_errors;  // |detector rate - reference rate|, bpm
  std::vector<double> missed_at_s;  // expected pulse peaks nothing matched
  std::vector<double> extra_at_s;   // peaks of detections that match no reference beat

  [[nodiscard]] double Sensitivity() const;           // percent
  [[nodiscard]] double PositivePredictivity() const;  // percent
  [[nodiscard]] double MedianRateError() const;       // bpm; infinite when none
  Score& operator+=(const Score& other);
};

// Pulses follow their reference times by a steady delay: it is taken out (median over the
// detections), then a detection matches a reference beat when its onset or peak lies within
// 150 ms of it. Only the stretch the reference covers, ending `tail_s` before the recording
// does, is scored. The reference rate is the median of the last 8 reference intervals.
[[nodiscard]] Score ScoreBeats(const std::vector<DetectedBeat>& detected,
                               const std::vector<double>& reference_s, double duration_s,
                               double tail_s = 1.0);

// The recording at `rate_hz` with disturbance `d`, fed to the three channels with different
// offsets, scales, units and disturbance seeds; each channel's score.
[[nodiscard]] std::array<Score, kChannels> EvaluateChannels(const ReferenceRecording& rec,
                                                            double rate_hz, Disturbance d,
                                                            uint32_t seed);
// The same, the channels' scores summed.
[[nodiscard]] Score EvaluateVariant(const ReferenceRecording& rec, double rate_hz, Disturbance d,
                                    uint32_t seed);

}  // namespace pulse::analysis::eval
