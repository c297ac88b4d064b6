#include "window/measure_cursors.h"

#include <algorithm>
#include <cmath>

namespace pulse::window {

void MeasureCursors::Place(Which which, double t) { (which == Which::kA ? a_ : b_) = t; }

void MeasureCursors::Clear() {
  a_.reset();
  b_.reset();
}

std::optional<double> MeasureCursors::Time(Which which) const {
  return which == Which::kA ? a_ : b_;
}

std::optional<MeasureCursors::Which> MeasureCursors::HandleAt(double t, double tolerance) const {
  const double da = a_ ? std::abs(*a_ - t) : INFINITY;
  const double db = b_ ? std::abs(*b_ - t) : INFINITY;
  if (std::min(da, db) > tolerance) return std::nullopt;
  return da <= db ? Which::kA : Which::kB;
}

std::optional<double> ValueAt(const std::vector<double>& times, const std::vector<double>& values,
                              double t) {
  const size_t n = std::min(times.size(), values.size());
  if (n == 0) return std::nullopt;
  const auto end = times.begin() + static_cast<std::ptrdiff_t>(n);
  const auto it = std::lower_bound(times.begin(), end, t);
  if (it == times.begin()) return values.front();
  if (it == end) return values[n - 1];
  const auto hi = static_cast<size_t>(it - times.begin());
  const size_t lo = hi - 1;
  const double span = times[hi] - times[lo];
  if (span <= 0) return values[hi];
  const double f = (t - times[lo]) / span;
  return values[lo] + f * (values[hi] - values[lo]);
}

CursorReadout MeasureCursors::Read(const std::vector<double>& times,
                                   const std::vector<double>& values) const {
  CursorReadout out;
  if (a_) {
    if (auto v = ValueAt(times, values, *a_)) out.a = CursorPoint{*a_, *v};
  }
  if (b_) {
    if (auto v = ValueAt(times, values, *b_)) out.b = CursorPoint{*b_, *v};
  }
  if (out.a && out.b) {
    out.delta_t = out.b->t - out.a->t;
    out.delta_value = out.b->value - out.a->value;
    constexpr double kSecondsPerMinute = 60;
    if (*out.delta_t != 0) out.rate_bpm = kSecondsPerMinute / std::abs(*out.delta_t);
  }
  return out;
}

}  // namespace pulse::window
