// The part of a plot that the waveform views drive. The views only need axis
// ranges, tick counts, the pixel read-out and one line series per plot, so
// they talk to this small interface instead of the plot library itself; the
// program supplies an adapter over the real plot and the tests a fake.
#pragma once

#include <vector>

namespace pulse::window {

// Time runs along the bottom axis; the value runs along left and right.
enum class ViewAxis { kTime, kLeft, kRight };

class IViewPlot {
 public:
  virtual ~IViewPlot() = default;

  [[nodiscard]] virtual double AxisMin(ViewAxis axis) const = 0;
  [[nodiscard]] virtual double AxisMax(ViewAxis axis) const = 0;
  // Both ends in one call (the axis orders them).
  virtual void SetAxisMinMax(ViewAxis axis, double min, double max) = 0;
  // Max alone; the axis orders the ends if it falls below Min.
  virtual void SetAxisMax(ViewAxis axis, double max) = 0;
  // Both ends move by d; a move by 0 leaves the range as it is.
  virtual void MoveAxisRange(ViewAxis axis, double d) = 0;
  // The axis caps the count at 21.
  virtual void SetAxisTicksCount(ViewAxis axis, int count) = 0;
  // Horizontal pixel for the time axis, vertical pixel for the value axes.
  [[nodiscard]] virtual double AxisPixelToValue(ViewAxis axis, int pixel) const = 0;

  // The view's line series.
  virtual void ClearSeries() = 0;
  virtual void AddPoint(double x, double y) = 0;
  // The series' points, for the measurement cursors' read-out.
  virtual void SeriesPoints(std::vector<double>& x, std::vector<double>& y) const {
    x.clear();
    y.clear();
  }
};

}  // namespace pulse::window
