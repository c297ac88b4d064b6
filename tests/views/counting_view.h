// An IViewPlot that passes everything to the real adapter and counts the
// series clears: while streaming each one is a sweep restart, so frames can
// be counted across restarts.
#pragma once

#include <cstdint>

#include "window/view_plot.h"

namespace pulse::test {

class CountingView : public window::IViewPlot {
 public:
  explicit CountingView(window::IViewPlot& inner) : inner_(inner) {}
  double AxisMin(window::ViewAxis a) const override { return inner_.AxisMin(a); }
  double AxisMax(window::ViewAxis a) const override { return inner_.AxisMax(a); }
  void SetAxisMinMax(window::ViewAxis a, double mn, double mx) override {
    inner_.SetAxisMinMax(a, mn, mx);
  }
  void SetAxisMax(window::ViewAxis a, double mx) override { inner_.SetAxisMax(a, mx); }
  void MoveAxisRange(window::ViewAxis a, double d) override { inner_.MoveAxisRange(a, d); }
  void SetAxisTicksCount(window::ViewAxis a, int n) override { inner_.SetAxisTicksCount(a, n); }
  double AxisPixelToValue(window::ViewAxis a, int p) const override {
    return inner_.AxisPixelToValue(a, p);
  }
  void ClearSeries() override {
    ++clears;
    inner_.ClearSeries();
  }
  void AddPoint(double x, double y) override { inner_.AddPoint(x, y); }

  std::int64_t clears = 0;

 private:
  window::IViewPlot& inner_;
};

}  // namespace pulse::test
