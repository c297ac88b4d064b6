#include "plot/column_decimator.h"

#include <algorithm>
#include <cstdlib>

#include "plot/scale.h"

namespace pulse::plot {

namespace {

// First index in [from, n) whose pixel is >= column (n when none); pixels never decrease.
template <typename PixelOf>
std::size_t FirstAtOrBeyond(std::size_t from, std::size_t n, int column, PixelOf px) {
  std::size_t lo = from, hi = n;
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (px(mid) < column)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

// First index after `start` whose pixel lies beyond `column`; `limit` is known to lie beyond
// (or to be the end). Probes first where the previous column ended, as sampled data have
// columns of nearly equal length, then gallops and bisects.
template <typename PixelOf>
std::size_t ColumnEnd(std::size_t start, std::size_t limit, std::size_t guess, int column,
                      PixelOf px) {
  std::size_t good = start, bad = limit;  // px(good) == column; bad is beyond
  const std::size_t probe = start + guess;
  if (probe < bad) {
    if (px(probe) > column) {
      bad = probe;
      for (std::size_t step = 1; bad - good > step; step *= 2) {
        if (px(bad - step) <= column) {
          good = bad - step;
          break;
        }
        bad -= step;
      }
    } else {
      good = probe;
      for (std::size_t step = 1; bad - good > step; step *= 2) {
        if (px(good + step) > column) {
          bad = good + step;
          break;
        }
        good += step;
      }
    }
  }
  while (bad - good > 1) {
    const std::size_t mid = good + (bad - good) / 2;
    if (px(mid) > column)
      bad = mid;
    else
      good = mid;
  }
  return bad;
}

}  // namespace

void ColumnDecimator::Emit(int x, int y) {
  // A repeated point would only add an empty segment.
  if (!points_.empty() && points_.back().x == x && points_.back().y == y) return;
  points_.push_back({x, y});
}

bool ColumnDecimator::Decimate(const DecimationSource& src, const Tsp_Scale& xs,
                               const Tsp_Scale& ys, int clip_left, int clip_right, int far_pixel) {
  points_.clear();
  const std::size_t n = src.count;
  if (clip_right <= clip_left || n < 2 || !src.x_non_decreasing || !src.y_spans ||
      src.y_spans->Count() < n || !(xs.PixelsPerUnit() > 0))
    return false;
  const auto columns = static_cast<std::size_t>(clip_right - clip_left);
  if (n < kMinPointsPerColumn * columns) return false;

  const double* x = src.x;
  const double* y = src.y;
  const auto px = [&](std::size_t i) { return xs.ValueToPixel(x[i]); };
  const auto py = [&](std::size_t i) { return ys.ValueToPixel(y[i]); };

  // Points left of the clip matter only through the segment from the last of them; the first
  // point right of the clip ends the picture.
  const std::size_t lo = FirstAtOrBeyond(0, n, clip_left, px);
  const std::size_t hi = FirstAtOrBeyond(lo, n, clip_right, px);
  const std::size_t first = lo > 0 ? lo - 1 : 0;
  const std::size_t last = std::min(hi, n - 1);

  const MinMax range = src.y_spans->Span(y, first, last + 1);
  const int top = ys.ValueToPixel(range.max), bottom = ys.ValueToPixel(range.min);
  if (std::abs(top) > far_pixel || std::abs(bottom) > far_pixel) return false;

  points_.reserve(5 * std::min(columns, last - first + 1) + 2);
  std::size_t i = first;
  if (first < lo) {
    Emit(px(first), py(first));
    i = lo;
  }
  std::size_t guess = std::max<std::size_t>(1, (hi - lo) / columns);
  while (i < n) {
    const int c = px(i);
    if (i == hi) {
      Emit(c, py(i));
      break;
    }
    const std::size_t j = ColumnEnd(i, hi, guess, c, px);
    guess = j - i;
    Emit(c, py(i));
    if (j - i == 1) {
      i = j;
      continue;
    }
    std::size_t end = j;  // the part thinned to first, extremes, last
    if (j == n) {
      // The series' last column: find the final run on the last point's row.
      const int row = py(j - 1);
      const auto on_row = [&](std::size_t from) {
        const MinMax m = src.y_spans->Span(y, from, j);
        return ys.ValueToPixel(m.min) == row && ys.ValueToPixel(m.max) == row;
      };
      std::size_t a = i, b = j - 1;
      while (a < b) {
        const std::size_t mid = a + (b - a) / 2;
        if (on_row(mid))
          b = mid;
        else
          a = mid + 1;
      }
      end = b;
    }
    if (end > i) {
      const MinMax m = src.y_spans->Span(y, i, end);
      Emit(c, ys.ValueToPixel(m.min));
      Emit(c, ys.ValueToPixel(m.max));
      Emit(c, py(end - 1));
    }
    Emit(c, py(j - 1));
    i = j;
  }
  return true;
}

}  // namespace pulse::plot
