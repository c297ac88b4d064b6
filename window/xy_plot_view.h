// IViewPlot over the plot library: one Tsp_XYPlot with its line series.
// Built only with the plot library (which needs Qt for drawing).
#pragma once

#include "window/view_plot.h"

namespace pulse::plot {
class Tsp_Axis;
class Tsp_XYPlot;
class Tsp_XYDataSeries;
}  // namespace pulse::plot

namespace pulse::window {

class XYPlotView : public IViewPlot {
 public:
  // Both must outlive this object.
  XYPlotView(plot::Tsp_XYPlot& plot, plot::Tsp_XYDataSeries& series)
      : plot_(&plot), series_(&series) {}

  [[nodiscard]] double AxisMin(ViewAxis axis) const override;
  [[nodiscard]] double AxisMax(ViewAxis axis) const override;
  void SetAxisMinMax(ViewAxis axis, double min, double max) override;
  void SetAxisMax(ViewAxis axis, double max) override;
  void MoveAxisRange(ViewAxis axis, double d) override;
  void SetAxisTicksCount(ViewAxis axis, int count) override;
  [[nodiscard]] double AxisPixelToValue(ViewAxis axis, int pixel) const override;
  void ClearSeries() override;
  void AddPoint(double x, double y) override;
  void SeriesPoints(std::vector<double>& x, std::vector<double>& y) const override;

 private:
  [[nodiscard]] plot::Tsp_Axis& Axis(ViewAxis axis) const;

  plot::Tsp_XYPlot* plot_;
  plot::Tsp_XYDataSeries* series_;
};

}  // namespace pulse::window
