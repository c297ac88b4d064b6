#include "analysis/pulse_rate.h"

#include <algorithm>
#include <cmath>

namespace pulse::analysis {

namespace {

// "No pulse" after this long without a beat, or two expected intervals when longer.
constexpr double kSilenceS = 2.5;
constexpr double kSilenceIntervals = 2.0;
// An interval longer than this (under 24 bpm) is a gap, not a beat-to-beat time.
constexpr double kMaxIntervalS = 2.5;
// Two agreeing intervals this far off the median are a new rate, not an odd beat: the rate
// jumps at once instead of waiting for the median to turn.
constexpr double kStepChange = 0.15;
constexpr double kStepAgree = 0.08;
// Relative median deviations: beyond kNoPulseSpread the beats are noise; under the good limits
// rhythm and shape are steady.
constexpr double kNoPulseSpread = 0.35;
constexpr double kGoodRhythm = 0.12;
constexpr double kGoodShape = 0.25;
// Fewest intervals for a rate, and for calling it good.
constexpr size_t kMinIntervals = 2;
constexpr size_t kGoodIntervals = 4;

template <size_t N>
double Median(const std::array<double, N>& a, size_t count) {
  // Insertion sort of at most N values; std::sort here trips GCC 12's -Warray-bounds.
  std::array<double, N> v = a;
  count = std::min(count, N);
  if (count == 0) return 0.0;
  for (size_t i = 1; i < count; ++i) {
    const double x = v[i];
    size_t j = i;
    for (; j > 0 && v[j - 1] > x; --j) v[j] = v[j - 1];
    v[j] = x;
  }
  return count % 2 ? v[count / 2] : 0.5 * (v[count / 2 - 1] + v[count / 2]);
}

// Median absolute deviation relative to the median.
template <size_t N>
double Spread(const std::array<double, N>& a, size_t count) {
  const double m = Median(a, count);
  if (!(m > 0.0)) return 1.0;
  std::array<double, N> d{};
  for (size_t i = 0; i < count; ++i) d[i] = std::fabs(a[i] - m);
  return Median(d, count) / m;
}

template <size_t N>
void Append(std::array<double, N>& a, size_t& count, double v) {
  if (count == N) {
    std::rotate(a.begin(), a.begin() + 1, a.end());
    a[N - 1] = v;
  } else {
    a[count++] = v;
  }
}

}  // namespace

void PulseRate::Reset(double rate_hz) {
  rate_ = rate_hz > 0.0 ? rate_hz : 1.0;
  Clear();
  last_report_ = -1;
  now_ = 0;
}

void PulseRate::Clear() {
  count_ = shapes_ = 0;
}

double PulseRate::MedianInterval() const {
  return count_ ? Median(intervals_, count_) : 0.0;
}

void PulseRate::AddBeat(const Beat& beat, int64_t now) {
  now_ = now;
  const bool silent_before = Quality() == SignalQuality::kNoPulse && count_ >= kMinIntervals;
  last_report_ = now;
  if (silent_before) Clear();
  size_t held = shapes_;
  Append(amplitudes_, held, beat.amplitude);
  Append(rises_, shapes_, beat.rise_time_s);
  if (!beat.interval_s || *beat.interval_s > kMaxIntervalS || !(*beat.interval_s > 0.0)) {
    count_ = 0;
    return;
  }
  const double interval = *beat.interval_s;
  if (count_ >= 3) {
    const double median = MedianInterval();
    const double previous = intervals_[count_ - 1];
    const bool agree = std::fabs(interval - previous) <= kStepAgree * std::max(interval, previous);
    const bool off = std::fabs(interval - median) > kStepChange * median &&
                     std::fabs(previous - median) > kStepChange * median &&
                     (interval - median) * (previous - median) > 0.0;
    if (agree && off) {
      intervals_[0] = previous;
      count_ = 1;
    }
  }
  Append(intervals_, count_, interval);
}

SignalQuality PulseRate::Quality() const {
  if (last_report_ < 0) return SignalQuality::kNoPulse;
  const double silence = std::max(kSilenceS, kSilenceIntervals * MedianInterval());
  if (static_cast<double>(now_ - last_report_) / rate_ > silence) return SignalQuality::kNoPulse;
  if (count_ < kMinIntervals) return SignalQuality::kNoPulse;
  const double rhythm = Spread(intervals_, count_);
  if (rhythm > kNoPulseSpread) return SignalQuality::kNoPulse;
  const double shape = std::max(Spread(amplitudes_, shapes_), Spread(rises_, shapes_));
  if (count_ < kGoodIntervals || rhythm > kGoodRhythm || shape > kGoodShape)
    return SignalQuality::kPoor;
  return SignalQuality::kGood;
}

std::optional<double> PulseRate::RateBpm() const {
  if (Quality() == SignalQuality::kNoPulse) return std::nullopt;
  return 60.0 / MedianInterval();
}

}  // namespace pulse::analysis
