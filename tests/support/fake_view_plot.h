// A plot stand-in for the views: axes that order their ends like the real
// ones, cap the tick count at 21 and map pixels linearly over a fixed field;
// a series that keeps its points.
#pragma once

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "window/view_plot.h"

namespace pulse::test {

class FakeViewPlot : public window::IViewPlot {
 public:
  struct Axis {
    double min = 0, max = 10;
    int ticks = 5;
  };
  // Plotting field in pixels: time runs left to right over x 100..500, value
  // bottom to top over y 300..100.
  static constexpr int kFieldLeft = 100, kFieldWidth = 400;
  static constexpr int kFieldBottom = 300, kFieldHeight = 200;

  double AxisMin(window::ViewAxis a) const override { return AxisOf(a).min; }
  double AxisMax(window::ViewAxis a) const override { return AxisOf(a).max; }
  void SetAxisMinMax(window::ViewAxis a, double mn, double mx) override {
    SetRange(AxisOf(a), mn, mx);
  }
  void SetAxisMax(window::ViewAxis a, double mx) override {
    SetRange(AxisOf(a), mx, AxisOf(a).min);
  }
  void MoveAxisRange(window::ViewAxis a, double d) override {
    ++moves;
    AxisOf(a).min += d;
    AxisOf(a).max += d;
  }
  void SetAxisTicksCount(window::ViewAxis a, int n) override { AxisOf(a).ticks = std::min(n, 21); }
  double AxisPixelToValue(window::ViewAxis a, int p) const override {
    const Axis& ax = AxisOf(a);
    if (a == window::ViewAxis::kTime)
      return ax.min + (p - kFieldLeft) * (ax.max - ax.min) / kFieldWidth;
    return ax.min + (kFieldBottom - p) * (ax.max - ax.min) / kFieldHeight;
  }
  void ClearSeries() override {
    points.clear();
    ++clears;
  }
  void AddPoint(double x, double y) override { points.emplace_back(x, y); }
  void SeriesPoints(std::vector<double>& x, std::vector<double>& y) const override {
    x.clear();
    y.clear();
    for (const auto& [px, py] : points) {
      x.push_back(px);
      y.push_back(py);
    }
  }

  Axis& AxisOf(window::ViewAxis a) { return axes[static_cast<std::size_t>(a)]; }
  const Axis& AxisOf(window::ViewAxis a) const { return axes[static_cast<std::size_t>(a)]; }
  std::pair<double, double> Range(window::ViewAxis a) const {
    return {AxisOf(a).min, AxisOf(a).max};
  }

  std::array<Axis, 3> axes;
  std::vector<std::pair<double, double>> points;
  int clears = 0;
  int moves = 0;

 private:
  static void SetRange(Axis& ax, double a, double b) {
    ax.min = std::min(a, b);
    ax.max = std::max(a, b);
  }
};

}  // namespace pulse::test
