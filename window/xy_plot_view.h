// IViewPlot over the plot library: one Tsp_XYPlot with its line series.
// Built only with the plot library (which needs Qt for drawing).
#pragma once

#include "window/view_plot.h"

class Tsp_Axis;
class Tsp_XYPlot;
class Tsp_XYDataSeries;

namespace pulse::window {

class XYPlotView : public IViewPlot {
 public:
  // Both must outlive this object.
  XYPlotView(Tsp_XYPlot& plot, Tsp_XYDataSeries& series) : plot_(&plot), series_(&series) {}

  double AxisMin(ViewAxis axis) const override;
  double AxisMax(ViewAxis axis) const override;
  void SetAxisMinMax(ViewAxis axis, double min, double max) override;
  void SetAxisMax(ViewAxis axis, double max) override;
  void MoveAxisRange(ViewAxis axis, double d) override;
  void SetAxisTicksCount(ViewAxis axis, int count) override;
  double AxisPixelToValue(ViewAxis axis, int pixel) const override;
  void ClearSeries() override;
  void AddPoint(double x, double y) override;
  void SeriesPoints(std::vector<double>& x, std::vector<double>& y) const override;

 private:
  Tsp_Axis& Axis(ViewAxis axis) const;

  Tsp_XYPlot* plot_;
  Tsp_XYDataSeries* series_;
};

}  // namespace pulse::window
