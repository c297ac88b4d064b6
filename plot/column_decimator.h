// Thins a line of many points per pixel column down to a handful per column, for the direct
// 1-pixel rasteriser of Tsp_XYLine, so that a field render costs about the same for a
// million points as for a thousand.
//
// The rule: drawing the kept points segment by segment (start pixel in, end pixel out, a
// segment skipped when both ends are far) sets exactly the pixels inside the clip columns
// that drawing every point sets, provided
//   - x never decreases from one point to the next and the x scale is not inversed, so each
//     pixel column holds one run of consecutive points;
//   - no y value of the drawn points is NaN or maps to a far pixel, so only far columns (all
//     outside the clip) lose segments to the far rule;
//   - the segments are 1-pixel solid lines drawn in copy mode by that rasteriser.
// Decimate() checks the first two and answers false otherwise; the caller checks the third.
//
// Why it holds: inside one column a run of vertical steps covers every row between the run's
// lowest and highest pixel, except possibly the row of its last point, which the segment to
// the next column starts on anyway; the segments between columns are kept as they are. So a
// column keeps its first point, its lowest and highest pixel, and its last point. The series'
// last column has no segment after it; there the final run of points sharing the last point's
// row stands for one point, and the rest is thinned like any other column.
#pragma once

#include <cstddef>
#include <vector>

#include "plot/min_max_pyramid.h"
#include "plot/rect.h"

namespace pulse::plot {

class Tsp_Scale;

struct DecimationSource {
  const double* x = nullptr;
  const double* y = nullptr;
  std::size_t count = 0;
  const MinMaxPyramid* y_spans = nullptr;  // over the same y values
  bool x_non_decreasing = false;           // known by the owner of the values
};

class ColumnDecimator {
 public:
  // Below about this many points per clip column, drawing every point is as quick (measured).
  static constexpr std::size_t kMinPointsPerColumn = 6;

  // Fills Points() with the pixel points to draw for the clip columns
  // clip_left..clip_right-1 and returns true; returns false (Points() empty) when the rule
  // above does not hold for these data or there are too few points to gain anything.
  // A pixel is far when one of its coordinates lies beyond +-far_pixel.
  [[nodiscard]] bool Decimate(const DecimationSource& src, const Tsp_Scale& xs, const Tsp_Scale& ys,
                              int clip_left, int clip_right, int far_pixel);

  [[nodiscard]] const std::vector<Point>& Points() const { return points_; }

 private:
  void Emit(int x, int y);

  std::vector<Point> points_;
};

}  // namespace pulse::plot
