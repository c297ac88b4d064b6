#include "plot/min_max_pyramid.h"

#include <cmath>
#include <limits>

namespace pulse::plot {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

MinMax Merge(MinMax a, MinMax b) {
  return {b.min < a.min ? b.min : a.min, b.max > a.max ? b.max : a.max};
}

}  // namespace

void MinMaxPyramid::AppendSlow(double v) {
  MinMax e = std::isnan(v) ? MinMax{-kInf, kInf} : MinMax{v, v};
  for (std::size_t k = 0;; ++k) {
    if (k == levels_.size()) levels_.emplace_back();
    Level& level = levels_[k];
    level.partial = level.partial_count == 0 ? e : Merge(level.partial, e);
    if (++level.partial_count < kFanout) break;
    // The block is complete: it becomes one entry of this level and one value of the next.
    e = level.partial;
    level.partial_count = 0;
    level.full.push_back(e);
  }
  ++count_;
}

void MinMaxPyramid::Clear() {
  levels_.clear();
  count_ = 0;
}

MinMax MinMaxPyramid::Span(const double* values, std::size_t a, std::size_t b) const {
  constexpr std::size_t kF = kFanout;
  double lo_v = kInf, hi_v = -kInf;
  bool nan = false;
  const auto take_value = [&](std::size_t i) {
    const double v = values[i];
    nan |= v != v;
    lo_v = v < lo_v ? v : lo_v;
    hi_v = v > hi_v ? v : hi_v;
  };
  MinMax r{kInf, -kInf};
  // The raw values up to block edges, then at each level the entries up to the edges of the
  // level above, until a level's remainder is short enough to take whole.
  std::size_t lo = a, hi = b;
  if (hi - lo < 2 * kF || levels_.empty()) {
    for (std::size_t i = lo; i < hi; ++i) take_value(i);
    lo = hi;
  } else {
    for (; lo % kF != 0; ++lo) take_value(lo);
    for (; hi % kF != 0;) take_value(--hi);
    lo /= kF;
    hi /= kF;
  }
  for (std::size_t k = 0; lo < hi; ++k) {
    const std::vector<MinMax>& full = levels_[k].full;
    if (k + 1 == levels_.size() || hi - lo < 2 * kF) {
      for (std::size_t i = lo; i < hi; ++i) r = Merge(r, full[i]);
      break;
    }
    for (; lo % kF != 0; ++lo) r = Merge(r, full[lo]);
    for (; hi % kF != 0;) r = Merge(r, full[--hi]);
    lo /= kF;
    hi /= kF;
  }
  if (nan) return {-kInf, kInf};
  return Merge(r, {lo_v, hi_v});
}

}  // namespace pulse::plot
