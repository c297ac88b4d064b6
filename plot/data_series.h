// Tsp_DataSeries: what the plot expects of a series; Tsp_XYDataSeries: stored (x, y) points.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "plot/line_attr.h"
#include "plot/min_max_pyramid.h"
#include "plot/xy_plot_types.h"

namespace pulse::plot {

class Canvas;

class Tsp_DataSeries {
 public:
  Tsp_DataSeries() = default;
  virtual ~Tsp_DataSeries();
  Tsp_DataSeries(const Tsp_DataSeries&) = delete;
  Tsp_DataSeries& operator=(const Tsp_DataSeries&) = delete;

  [[nodiscard]] Tsp_XYPlot* Plot() const { return plot_; }
  void SetPlot(Tsp_XYPlot* plot);
  [[nodiscard]] Tsp_WhatXAxis XAxis() const { return x_axis_; }
  void SetXAxis(Tsp_WhatXAxis v);
  [[nodiscard]] Tsp_WhatYAxis YAxis() const { return y_axis_; }
  void SetYAxis(Tsp_WhatYAxis v);
  [[nodiscard]] const std::string& Legend() const { return legend_; }
  void SetLegend(const std::string& v);
  [[nodiscard]] bool Active() const { return active_; }
  void SetActive(bool v);

  virtual void LegendChanged() {}
  // Draws on the plot's DrawingCanvas.
  virtual void Draw() = 0;
  // Each returns false (value untouched) when there is no data.
  [[nodiscard]] virtual bool GetXMin(double& v) = 0;
  [[nodiscard]] virtual bool GetXMax(double& v) = 0;
  [[nodiscard]] virtual bool GetYMin(double& v) = 0;
  [[nodiscard]] virtual bool GetYMax(double& v) = 0;
  virtual void DrawLegendSample(plot::Canvas& /*canvas*/, const TRect& /*r*/) {}

  // The plot drops its reference when it goes away (its destruction notice).
  void PlotDestroyed() { plot_ = nullptr; }

 protected:
  enum TDataChange { kDataChanged = 0, kLookChanged = 1 };
  // For subclasses after a change: data changes rescale, look changes repaint the field.
  void DataChanged(int mode);

 private:
  Tsp_XYPlot* plot_ = nullptr;
  Tsp_WhatXAxis x_axis_ = dsxBottom;
  Tsp_WhatYAxis y_axis_ = dsyLeft;
  std::string legend_;
  bool active_ = true;
};

class Tsp_XYDataSeries : public Tsp_DataSeries {
 public:
  static constexpr int kGrowthStep = 32;  // usable slots are added 32 at a time

  Tsp_XYDataSeries();
  ~Tsp_XYDataSeries() override;

  // Appends one point. O(1) amortised: never walks the stored points; with the series on a plot
  // it re-checks the automatic ranges and asks for a paint, which the plot coalesces.
  void AddPoint(double x, double y);
  void Clear();

  [[nodiscard]] int Count() const { return count_; }
  [[nodiscard]] int Capacity() const { return capacity_; }
  [[nodiscard]] double X(int i) const { return x_[static_cast<std::size_t>(i)]; }
  [[nodiscard]] double Y(int i) const { return y_[static_cast<std::size_t>(i)]; }
  [[nodiscard]] const double* XData() const { return x_.data(); }
  [[nodiscard]] const double* YData() const { return y_.data(); }
  // Min/max summaries of the y values, kept up to date by every append.
  [[nodiscard]] const plot::MinMaxPyramid& YSpans() const { return y_spans_; }
  // True while no x value is NaN or below the one before it.
  [[nodiscard]] bool XNonDecreasing() const { return x_non_decreasing_; }

  [[nodiscard]] bool GetXMin(double& v) override;
  [[nodiscard]] bool GetXMax(double& v) override;
  [[nodiscard]] bool GetYMin(double& v) override;
  [[nodiscard]] bool GetYMax(double& v) override;

  // Line appearance (published by Tsp_XYLine).
  [[nodiscard]] Tsp_LineAttr& LineAttr() { return line_attr_; }
  // Copies the given attributes unless they are the same.
  void SetLineAttr(const Tsp_LineAttr& a);

  // Change handler of the owned attributes.
  virtual void AttrChanged(const void* sender);

 protected:
  // Steps 1-4 of an append: store and widen the extents.
  void StorePoint(double x, double y);
  [[nodiscard]] bool EnsureExtents();

  Tsp_LineAttr line_attr_;
  double x_min_ = 0, x_max_ = 0, y_min_ = 0, y_max_ = 0;
  bool extents_valid_ = false;

 private:
  std::vector<double> x_, y_;
  plot::MinMaxPyramid y_spans_;
  bool x_non_decreasing_ = true;
  int count_ = 0;
  int capacity_ = kGrowthStep;
};

}  // namespace pulse::plot
