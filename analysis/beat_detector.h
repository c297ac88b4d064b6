// Beat detection on one channel's pulse wave, one sample at a time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/beat.h"
#include "analysis/biquad.h"
#include "analysis/recent_median.h"

namespace pulse::analysis {

// Onsets come from the slope sum function with an adaptive threshold, after Zong W, Heldt T,
// Moody GB, Mark RG, "An open-source algorithm to detect onset of arterial blood pressure
// pulses", Computers in Cardiology 2003;30:259-262. Changes for this sensor: every window
// is in seconds (any sample rate), the slope is taken relative to the slope of the last two
// seconds (the hold-down pressure drifts), a look back at a lowered threshold recovers a
// missed weak beat, a beat must stand out of the sample-to-sample noise, and foot, peak and
// notch are placed on a zero-phase smoothed copy of the wave.
class BeatDetector {
 public:
  explicit BeatDetector(double rate_hz);

  // Forgets everything; the next sample starts a new wave.
  void Reset(double rate_hz);

  // Feeds the sample with device sample index `index` (value in the wave's unit). A beat is
  // returned once it is complete: a few hundred milliseconds after its peak. A gap in the
  // indices restarts the detector, as the filters cannot bridge it.
  [[nodiscard]] std::optional<Beat> Push(double value, int64_t index);

  [[nodiscard]] double RateHz() const { return rate_; }

 private:
  struct Candidate {
    int64_t pos = -1;  // position of the slope-sum maximum
    double ssf = 0.0;
  };
  struct Feature {
    int64_t onset, peak;
    std::optional<int64_t> notch;
    double amplitude;
    double smoothed_amplitude;  // on the low-passed wave, for the noise test
  };

  void StartWave(double value, int64_t index);
  void PushCandidate(const Candidate& c);
  // How a candidate is judged: against the threshold, or looking back at a lowered one for a
  // missed beat (first only for a beat's rise).
  enum class Review { kThreshold, kLookBackTypical, kLookBack };
  [[nodiscard]] std::optional<Beat> Evaluate(const Candidate& c, Review review);
  [[nodiscard]] std::optional<Beat> LookBack();
  void Remember(const Candidate& c);  // one under the threshold, for the look back
  [[nodiscard]] bool Atypical(const Feature& f) const;
  [[nodiscard]] int64_t Wait(const Candidate& c, int64_t delay) const;  // samples after c
  [[nodiscard]] int64_t RivalWindow() const;  // samples after a candidate a rival may follow
  [[nodiscard]] int64_t RivalReach() const;   // last position a better-timed rival may have
  // A queued candidate after `c` within the rival window, over `threshold`, clearly stronger
  // than `c` and nearer the expected time of the next beat.
  [[nodiscard]] bool BetterTimedRival(const Candidate& c, double threshold) const;
  [[nodiscard]] bool RivalFollows(const Candidate& c, int64_t within, double threshold) const;
  [[nodiscard]] std::optional<Feature> Locate(int64_t ssf_pos);
  [[nodiscard]] int64_t ExpectedInterval() const { return expected_; }  // samples; 0: unknown
  [[nodiscard]] int64_t Seconds(double s) const;
  [[nodiscard]] double& Y(int64_t pos) { return y_[static_cast<size_t>(pos) & mask_]; }
  [[nodiscard]] double& Ssf(int64_t pos) { return ssf_[static_cast<size_t>(pos) & mask_]; }

  double rate_ = 0.0;
  PulseFilter filter_;
  PulseFilter prototype_;  // fresh coefficients for the backward pass
  size_t mask_ = 0;
  std::vector<double> y_;            // forward-filtered wave
  std::vector<double> h_;            // wave without hum, for heights
  std::vector<double> up_;           // positive part of the detrended slope
  std::vector<double> ssf_;          // slope sum
  std::vector<double> z_;            // zero-phase copy of the latest segment
  std::vector<int64_t> max_window_;  // positions of the running slope-sum maximum, descending
  size_t max_head_ = 0, max_count_ = 0;

  int64_t pos_ = -1;  // samples since the wave started
  int64_t index_at_zero_ = 0;
  int64_t ssf_width_ = 1, drift_width_ = 1, half_window_ = 1, learn_until_ = 0;
  double ssf_sum_ = 0.0;

  static constexpr size_t kQueueSize = 32;
  std::array<Candidate, kQueueSize> queue_{};
  size_t queue_head_ = 0, queue_count_ = 0;
  // The strongest candidates under the threshold since the last beat.
  static constexpr size_t kMissedSize = 4;
  std::array<Candidate, kMissedSize> missed_{};
  size_t missed_count_ = 0;

  double base_ = 0.0;  // typical slope-sum maximum of a beat
  double learn_max_ = 0.0;
  bool learned_ = false;
  int64_t last_pos_ = -1;    // slope-sum position of the last beat
  int64_t last_onset_ = -1;  // its onset
  int64_t last_peak_ = -1;
  double last_amplitude_ = 0.0;         // smoothed
  static constexpr size_t kRecent = 5;  // beats the expected interval and shape come from
  RecentMedian<int64_t, kRecent> intervals_;
  int64_t expected_ = 0;  // their median, asked for at every sample
  RecentMedian<int64_t, kRecent> rises_;

  PulseFilter hum_filter_;      // the notches alone, for the noise estimate
  double h1_ = 0.0;             // previous notched sample
  double v1_ = 0.0, v2_ = 0.0;  // previous Nyquist-free samples
  double noise_ = 0.0;          // running median of the second difference's magnitude
};

}  // namespace pulse::analysis
