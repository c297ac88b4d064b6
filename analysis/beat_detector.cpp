#include "analysis/beat_detector.h"

#include <algorithm>
#include <cmath>

namespace pulse::analysis {

namespace {

// History kept for the look back and the backward smoothing pass.
constexpr double kHistoryS = 8.0;
// Zong's slope-sum window: about the duration of an upstroke.
constexpr double kSsfWindowS = 0.128;
// The mean slope over this span is the drift; a beat's own slopes cancel over it.
constexpr double kDriftWindowS = 2.0;
// A slope-sum maximum must be the largest this far either side (240 bpm beats are 0.25 s apart).
constexpr double kPeakHalfWindowS = 0.12;
// The threshold starts from the largest slope sum of the first seconds.
constexpr double kLearnS = 2.0;
// Fractions of the typical beat's slope sum: to accept, and to accept on looking back.
constexpr double kThresholdFraction = 0.45;
constexpr double kLookBackFraction = 0.2;
// Look back for a missed beat after this many expected intervals without one.
constexpr double kLookBackIntervals = 1.6;
// How fast the typical slope sum follows accepted beats, and its largest step up per beat.
constexpr double kBaseFollow = 0.2;
constexpr double kBaseMaxRise = 2.0;
// After this long without a beat the threshold decays (time constant below) and the next
// beat sets it afresh.
constexpr double kReacquireS = 2.5;
constexpr double kDecayS = 1.0;
// No second beat within this share of the expected interval (the dicrotic wave rises too).
constexpr double kRefractoryIntervals = 0.4;
constexpr double kMinRefractoryS = 0.2;
// An early upstroke much steeper than any beat is a bump of the sensor, not a beat.
constexpr double kEarlyIntervals = 0.75;
constexpr double kArtefactRatio = 3.0;
// A rise this much slower than the recent beats' (plus a margin) is not a beat's upstroke when
// it comes early or a steep one follows within this share of the expected interval.
constexpr double kSlowRise = 1.8;
constexpr double kSlowRiseS = 0.03;
constexpr double kRivalIntervals = 0.6;
// An early rise under this share of the typical slope sum gives way to a rival this much
// stronger that comes nearer the expected time, at most this many intervals after the last beat.
constexpr double kWeakEarly = 0.8;
constexpr double kRivalStronger = 1.25;
constexpr double kRivalReachIntervals = 1.3;
constexpr double kStartEarlyS = 0.4;
constexpr double kStartWeak = 0.5;
// Decision delay after the slope-sum maximum: room to find the notch.
constexpr double kDelayIntervals = 0.7;
constexpr double kMinDelayS = 0.2;
constexpr double kMaxDelayS = 0.6;
// Search spans around the slope-sum maximum for the steepest point, the peak and the notch.
constexpr double kMaxSlopeBackS = 0.35;
constexpr double kMaxSlopeBackIntervals = 0.6;
constexpr double kPeakS = 0.3;
constexpr double kPeakIntervals = 0.5;
constexpr double kNotchStartS = 0.03;
constexpr double kNotchS = 0.45;
constexpr double kNotchIntervals = 0.6;
// Half-width of the average a foot or peak height is read from.
constexpr double kLevelHalfS = 0.008;
// The unsmoothed top is sought this far either side of the smoothed one.
constexpr double kPeakNearS = 0.03;
// The last samples of the backward pass still carry its start-up transient.
constexpr double kEdgeGuardS = 0.04;
// The foot lies this far before the steepest point at most.
constexpr double kFootBackS = 0.25;
constexpr double kFootBackIntervals = 0.5;
// The low point before the sharpest bend is sought this far back.
constexpr double kFootSettleS = 0.05;
// A shoulder counts as a notch when the fall almost stops there.
constexpr double kShoulderSlope = 0.05;
// A beat must rise this many noise standard deviations (white noise alone stays under 3).
constexpr double kMinSnr = 5.0;
// Below this share of the level a rise is rounding, not a beat.
constexpr double kRelativeFloor = 1e-9;
// The noise is measured on the second difference of the mean of neighbouring samples (blind
// to hum at Nyquist); for white noise its median magnitude is 0.6745 sigma.
constexpr double kNoiseToSigma = 1.0 / 0.6745;
// Median tracker step per second.
constexpr double kNoiseRateS = 2.0;
// Slope sums are re-added now and then so rounding cannot accumulate.
constexpr int64_t kResumEvery = 4096;

size_t RingSize(double rate_hz) {
  size_t n = 1;
  while (static_cast<double>(n) < kHistoryS * rate_hz) n <<= 1;
  return n;
}

}  // namespace

BeatDetector::BeatDetector(double rate_hz) {
  Reset(rate_hz);
}

void BeatDetector::Reset(double rate_hz) {
  rate_ = rate_hz > 0.0 ? rate_hz : 1.0;
  const size_t n = RingSize(rate_);
  mask_ = n - 1;
  y_.assign(n, 0.0);
  h_.assign(n, 0.0);
  up_.assign(n, 0.0);
  ssf_.assign(n, 0.0);
  z_.assign(n, 0.0);
  ssf_width_ = std::max<int64_t>(2, Seconds(kSsfWindowS));
  drift_width_ = std::max<int64_t>(4, Seconds(kDriftWindowS));
  half_window_ = std::max<int64_t>(1, Seconds(kPeakHalfWindowS));
  max_window_.assign(static_cast<size_t>(2 * half_window_ + 2), 0);
  learn_until_ = Seconds(kLearnS);
  prototype_ = PulseFilter(rate_);
  pos_ = -1;
}

int64_t BeatDetector::Seconds(double s) const {
  return static_cast<int64_t>(std::lround(s * rate_));
}

void BeatDetector::StartWave(double value, int64_t index) {
  filter_ = prototype_;
  filter_.Settle(value);
  std::fill(y_.begin(), y_.end(), value);
  std::fill(h_.begin(), h_.end(), value);
  std::fill(up_.begin(), up_.end(), 0.0);
  std::fill(ssf_.begin(), ssf_.end(), 0.0);
  max_head_ = max_count_ = 0;
  pos_ = -1;
  index_at_zero_ = index;
  ssf_sum_ = 0.0;
  queue_head_ = queue_count_ = 0;
  missed_count_ = 0;
  base_ = learn_max_ = 0.0;
  learned_ = false;
  last_pos_ = last_onset_ = last_peak_ = -1;
  last_amplitude_ = 0.0;
  intervals_.Clear();
  expected_ = 0;
  rises_.Clear();
  hum_filter_ = PulseFilter(rate_, false);
  hum_filter_.Settle(value);
  h1_ = v1_ = v2_ = value;
  noise_ = 0.0;
}


std::optional<Beat> BeatDetector::Push(double value, int64_t index) {
  if (pos_ < 0 || index != index_at_zero_ + pos_ + 1) StartWave(value, index);
  const int64_t n = ++pos_;

  // Sample-to-sample noise, from the second difference (blind to the slow pulse itself) of the
  // wave without mains hum.
  const double h = hum_filter_.Step(value);
  h_[static_cast<size_t>(n) & mask_] = h;
  const double v = 0.5 * (h + h1_);
  h1_ = h;
  const double d2 = std::fabs(v - 2.0 * v1_ + v2_);
  v2_ = v1_;
  v1_ = v;
  if (n >= 3) {
    const double eta = kNoiseRateS / rate_;
    if (noise_ <= 0.0)
      noise_ = d2;
    else
      noise_ *= d2 > noise_ ? 1.0 + eta : 1.0 - eta;
  }

  // Slope sum of the detrended slope.
  const double y = filter_.Step(value);
  const double slope = y - Y(n - 1) - (y - Y(n - drift_width_)) / static_cast<double>(drift_width_);
  Y(n) = y;
  const double up = std::max(slope, 0.0);
  ssf_sum_ += up - up_[static_cast<size_t>(n - ssf_width_) & mask_];
  up_[static_cast<size_t>(n) & mask_] = up;
  if (n % kResumEvery == 0) {
    ssf_sum_ = 0.0;
    for (int64_t k = n - ssf_width_ + 1; k <= n; ++k)
      ssf_sum_ += up_[static_cast<size_t>(k) & mask_];
  }
  const double ssf = std::max(ssf_sum_, 0.0);
  Ssf(n) = ssf;

  // Running maximum over [n - 2h, n]: its middle sample is a slope-sum peak when it is the
  // largest there (ties go to the later sample, so a plateau gives one peak).
  const size_t cap = max_window_.size();
  while (max_count_ > 0) {
    const int64_t back = max_window_[(max_head_ + max_count_ - 1) % cap];
    if (Ssf(back) > ssf) break;
    --max_count_;
  }
  max_window_[(max_head_ + max_count_++) % cap] = n;
  while (max_window_[max_head_] < n - 2 * half_window_) {
    max_head_ = (max_head_ + 1) % cap;
    --max_count_;
  }
  const int64_t middle = n - half_window_;
  if (middle > 0 && max_window_[max_head_] == middle && Ssf(middle) > 0.0)
    PushCandidate({middle, Ssf(middle)});

  if (!learned_) {
    learn_max_ = std::max(learn_max_, ssf);
    if (n < learn_until_) return std::nullopt;
    learned_ = true;
    base_ = learn_max_;
  }

  const int64_t expected = ExpectedInterval();
  const int64_t quiet_since = std::max(last_pos_, learn_until_);
  if (n - quiet_since > std::max(Seconds(kReacquireS), static_cast<int64_t>(2.5 * expected)))
    base_ *= 1.0 - 1.0 / (kDecayS * rate_);

  const int64_t delay =
      std::clamp(static_cast<int64_t>(kDelayIntervals * static_cast<double>(expected)),
                 Seconds(kMinDelayS), Seconds(kMaxDelayS));

  if (missed_count_ > 0 && last_pos_ >= 0 && expected > 0 &&
      n - last_pos_ >
          static_cast<int64_t>(kLookBackIntervals * static_cast<double>(expected)) + delay) {
    if (auto beat = LookBack()) return beat;
  }

  if (queue_count_ > 0 && n - queue_[queue_head_].pos >= Wait(queue_[queue_head_], delay)) {
    const Candidate c = queue_[queue_head_];
    queue_head_ = (queue_head_ + 1) % kQueueSize;
    --queue_count_;
    return Evaluate(c, Review::kThreshold);
  }
  return std::nullopt;
}

// A beat the threshold missed. The strongest candidate since the last beat is often the
// rebound after a knock that hid the beat, so every candidate is tried, strongest first, and
// one with a beat's rise before any other.
std::optional<Beat> BeatDetector::LookBack() {
  const std::array<Candidate, kMissedSize> order = missed_;
  const auto end = order.begin() + static_cast<std::ptrdiff_t>(missed_count_);
  missed_count_ = 0;
  for (const Review review : {Review::kLookBackTypical, Review::kLookBack})
    for (auto it = order.begin(); it != end; ++it)
      if (auto beat = Evaluate(*it, review)) {
        // Later ones may still be beats of their own.
        for (auto later = order.begin(); later != end; ++later)
          if (later->pos > it->pos) Remember(*later);
        return beat;
      }
  return std::nullopt;
}

// Kept strongest first; the weakest drops out when there is no room.
void BeatDetector::Remember(const Candidate& c) {
  size_t at = missed_count_;
  while (at > 0 && missed_[at - 1].ssf < c.ssf) --at;
  if (at == kMissedSize) return;
  const size_t last = std::min(missed_count_, kMissedSize - 1);
  for (size_t k = last; k > at; --k) missed_[k] = missed_[k - 1];
  missed_[at] = c;
  missed_count_ = std::min(missed_count_ + 1, kMissedSize);
}

void BeatDetector::PushCandidate(const Candidate& c) {
  if (queue_count_ == kQueueSize) {  // only while learning on pure noise: drop the oldest
    queue_head_ = (queue_head_ + 1) % kQueueSize;
    --queue_count_;
  }
  queue_[(queue_head_ + queue_count_++) % kQueueSize] = c;
}

std::optional<Beat> BeatDetector::Evaluate(const Candidate& c, Review review) {
  const bool looking_back = review != Review::kThreshold;
  const int64_t expected = ExpectedInterval();
  const int64_t since = last_pos_ >= 0 ? c.pos - last_pos_ : INT64_MAX;
  const int64_t refractory =
      std::max(Seconds(kMinRefractoryS),
               static_cast<int64_t>(kRefractoryIntervals * static_cast<double>(expected)));
  if (since < refractory) return std::nullopt;

  const bool reacquire = since > Seconds(kReacquireS);
  const double threshold = (looking_back ? kLookBackFraction : kThresholdFraction) * base_;
  if (c.ssf < threshold) {
    if (!looking_back && c.ssf >= kLookBackFraction * base_) Remember(c);
    return std::nullopt;
  }
  const bool early =
      !reacquire && expected > 0 && since < kEarlyIntervals * static_cast<double>(expected);
  if (early && c.ssf > kArtefactRatio * base_) return std::nullopt;
  // A weak early rise with a clearly stronger one after it that keeps the rhythm: the dicrotic
  // wave lifted by a knock, or a knock just before a beat. In the spirit of Pan and Tompkins'
  // check of a wave soon after a beat against its slope (IEEE Trans Biomed Eng 1985;32:230-236).
  // A premature beat stays, as the pause after it leaves no rival in time, and so does every
  // beat of a rate step, as they are as strong as each other.
  if (early && c.ssf < kWeakEarly * base_ && BetterTimedRival(c, threshold)) return std::nullopt;

  const auto f = Locate(c.pos);
  if (!f) return std::nullopt;
  // A slow rise is a bump of the sensor or a press, unless nothing better is near.
  if (Atypical(*f) && (review == Review::kLookBackTypical ||
                      (!reacquire && (early || RivalFollows(c, RivalWindow(), threshold)))))
    return std::nullopt;
  // Before any interval is known, a weak rise soon after a beat is its own dicrotic wave or a
  // knock.
  if (expected == 0 && since < kStartEarlyS * rate_ &&
      f->smoothed_amplitude < kStartWeak * last_amplitude_)
    return std::nullopt;
  const double sigma = noise_ * kNoiseToSigma;
  if (f->smoothed_amplitude <= kMinSnr * sigma ||
      f->amplitude <= kRelativeFloor * std::fabs(Y(f->peak)))
    return std::nullopt;

  Beat beat;
  beat.onset = index_at_zero_ + f->onset;
  beat.peak = index_at_zero_ + f->peak;
  if (f->notch) beat.notch = index_at_zero_ + *f->notch;
  beat.amplitude = f->amplitude;
  beat.rise_time_s = static_cast<double>(f->peak - f->onset) / rate_;
  if (last_onset_ >= 0) {
    const int64_t interval = f->onset - last_onset_;
    beat.interval_s = static_cast<double>(interval) / rate_;
    if (!reacquire) {
      intervals_.Add(interval);
      expected_ = intervals_.Median(0);
    }
  }
  if (reacquire || base_ <= 0.0)
    base_ = c.ssf;
  else
    base_ += kBaseFollow * (std::min(c.ssf, kBaseMaxRise * base_) - base_);
  rises_.Add(f->peak - f->onset);
  last_amplitude_ = f->smoothed_amplitude;
  last_pos_ = c.pos;
  last_onset_ = f->onset;
  last_peak_ = f->peak;
  missed_count_ = 0;
  return beat;
}

bool BeatDetector::Atypical(const Feature& f) const {
  if (rises_.size() < 3) return false;
  const auto rise = static_cast<double>(f.peak - f.onset);
  return rise > kSlowRise * static_cast<double>(rises_.Median()) +
                    static_cast<double>(Seconds(kSlowRiseS));
}

// A weak early candidate over the threshold is decided once its rivals are all known; the
// others need not wait, so the rate still follows a step within a beat.
int64_t BeatDetector::Wait(const Candidate& c, int64_t delay) const {
  const int64_t expected = ExpectedInterval();
  if (expected <= 0 || last_pos_ < 0 || c.ssf >= kWeakEarly * base_ ||
      c.ssf < kThresholdFraction * base_ ||
      c.pos - last_pos_ >= static_cast<int64_t>(kEarlyIntervals * static_cast<double>(expected)))
    return delay;
  return std::max(delay, RivalReach() - c.pos + half_window_);
}

int64_t BeatDetector::RivalReach() const {
  return last_pos_ +
         static_cast<int64_t>(kRivalReachIntervals * static_cast<double>(ExpectedInterval()));
}

int64_t BeatDetector::RivalWindow() const {
  return static_cast<int64_t>(kRivalIntervals * static_cast<double>(ExpectedInterval()));
}

bool BeatDetector::BetterTimedRival(const Candidate& c, double threshold) const {
  const int64_t expected = ExpectedInterval();
  const auto off = [&](int64_t pos) { return std::llabs(pos - last_pos_ - expected); };
  for (size_t k = 0; k < queue_count_; ++k) {
    const Candidate& q = queue_[(queue_head_ + k) % kQueueSize];
    if (q.pos > c.pos && q.pos <= RivalReach() && q.ssf >= threshold &&
        q.ssf > kRivalStronger * c.ssf && off(q.pos) < off(c.pos))
      return true;
  }
  return false;
}

bool BeatDetector::RivalFollows(const Candidate& c, int64_t within, double threshold) const {
  for (size_t k = 0; k < queue_count_; ++k) {
    const Candidate& q = queue_[(queue_head_ + k) % kQueueSize];
    if (q.pos > c.pos && q.pos - c.pos <= within && q.ssf >= threshold) return true;
  }
  return false;
}

std::optional<BeatDetector::Feature> BeatDetector::Locate(int64_t ssf_pos) {
  const int64_t n = pos_;
  const int64_t expected = ExpectedInterval();
  const auto span = [&](double seconds, double intervals) {
    const int64_t s = Seconds(seconds);
    return expected > 0
               ? std::min(s, static_cast<int64_t>(intervals * static_cast<double>(expected)))
               : s;
  };
  const int64_t first = std::max<int64_t>(
      {n - static_cast<int64_t>(mask_),
       ssf_pos - span(kMaxSlopeBackS, kMaxSlopeBackIntervals) - Seconds(kMaxSlopeBackS), 0});

  // Zero-phase copy: the stored forward pass run backwards from the newest sample.
  PulseFilter back = prototype_;
  back.Settle(Y(n));
  for (int64_t i = n; i >= first; --i) z_[static_cast<size_t>(i - first)] = back.Step(Y(i));
  const auto z = [&](int64_t i) { return z_[static_cast<size_t>(i - first)]; };
  const auto dz = [&](int64_t i) { return z(i + 1) - z(i - 1); };
  const int64_t last = n - std::max<int64_t>(2, Seconds(kEdgeGuardS));

  const int64_t floor = std::max(first + 1, last_peak_ + 1);
  const int64_t from = std::max(floor, ssf_pos - span(kMaxSlopeBackS, kMaxSlopeBackIntervals));
  const int64_t to = std::min(ssf_pos, last);
  if (from > to) return std::nullopt;
  int64_t steep = from;
  for (int64_t i = from; i <= to; ++i)
    if (dz(i) > dz(steep)) steep = i;
  const double max_slope = dz(steep);
  if (!(max_slope > 0.0)) return std::nullopt;

  // Foot: the sharpest bend upwards before the steepest point; peak: the first top after it,
  // else (a rising level leaves no top) the sharpest bend downwards. Bends ignore a level that
  // moves steadily, unlike a search for the lowest or highest sample.
  const auto bend = [&](int64_t i) { return z(i + 1) - 2.0 * z(i) + z(i - 1); };
  Feature f{};
  const int64_t foot_from = std::max(floor, steep - span(kFootBackS, kFootBackIntervals));
  f.onset = steep;
  for (int64_t i = steep; i >= foot_from; --i)
    if (bend(i) > bend(f.onset)) f.onset = i;
  // Smoothing spreads the bend into the upstroke; the foot is the low point just before.
  const int64_t bend_at = f.onset;
  for (int64_t i = bend_at; i >= std::max(foot_from, bend_at - Seconds(kFootSettleS)); --i)
    if (z(i) < z(f.onset)) f.onset = i;

  const int64_t peak_end = std::min(last, steep + span(kPeakS, kPeakIntervals));
  int64_t top = -1, sharpest = steep;
  for (int64_t i = steep + 1; i <= peak_end && top < 0; ++i) {
    if (dz(i - 1) > 0.0 && dz(i) <= 0.0) top = z(i) >= z(i - 1) ? i : i - 1;
    if (bend(i) < bend(sharpest)) sharpest = i;
  }
  f.peak = top >= 0 ? top : sharpest;

  // Notch: the first trough after the peak, else the first place the fall nearly stops.
  const int64_t notch_end = std::min(last, f.peak + span(kNotchS, kNotchIntervals));
  const int64_t notch_from = f.peak + std::max<int64_t>(2, Seconds(kNotchStartS));
  for (int64_t i = notch_from; i < notch_end && !f.notch; ++i)
    if (dz(i - 1) < 0.0 && dz(i) >= 0.0) f.notch = i;
  for (int64_t i = notch_from; i < notch_end && !f.notch; ++i)
    if (dz(i) < 0.0 && dz(i) > -kShoulderSlope * max_slope && dz(i) >= dz(i - 1) &&
        dz(i) > dz(i + 1))
      f.notch = i;

  // Heights from the unsmoothed wave (the low-pass would flatten fast peaks), averaged over a
  // few milliseconds against noise.
  const int64_t k = Seconds(kLevelHalfS);
  const auto level = [&](int64_t at) {
    double sum = 0.0;
    for (int64_t i = at - k; i <= at + k; ++i) sum += h_[static_cast<size_t>(i) & mask_];
    return sum / static_cast<double>(2 * k + 1);
  };
  f.smoothed_amplitude = z(f.peak) - z(f.onset);
  // The low-pass also moves a fast peak a little: take the top of the unsmoothed wave nearby.
  const int64_t near = Seconds(kPeakNearS);
  const int64_t smoothed_peak = f.peak;
  for (int64_t i = std::max(steep, smoothed_peak - near);
       i <= std::min(last - k, smoothed_peak + near); ++i)
    if (level(i) > level(f.peak)) f.peak = i;
  f.amplitude = level(f.peak) - level(f.onset);
  return f;
}

}  // namespace pulse::analysis
