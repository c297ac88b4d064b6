#include "window/xy_plot_view.h"

#include "plot/axis.h"
#include "plot/data_series.h"
#include "plot/xy_plot.h"

namespace pulse::window {

plot::Tsp_Axis& XYPlotView::Axis(ViewAxis axis) const {
  switch (axis) {
    case ViewAxis::kTime:
      return plot_->BottomAxis();
    case ViewAxis::kLeft:
      return plot_->LeftAxis();
    case ViewAxis::kRight:
      break;
  }
  return plot_->RightAxis();
}

double XYPlotView::AxisMin(ViewAxis axis) const {
  return Axis(axis).Min();
}
double XYPlotView::AxisMax(ViewAxis axis) const {
  return Axis(axis).Max();
}

void XYPlotView::SetAxisMinMax(ViewAxis axis, double min, double max) {
  Axis(axis).SetMinMax(min, max);
}

void XYPlotView::SetAxisMax(ViewAxis axis, double max) {
  Axis(axis).SetMax(max);
}

void XYPlotView::MoveAxisRange(ViewAxis axis, double d) {
  Axis(axis).MoveRange(d);
}

void XYPlotView::SetAxisTicksCount(ViewAxis axis, int count) {
  Axis(axis).SetTicksCount(count);
}

double XYPlotView::AxisPixelToValue(ViewAxis axis, int pixel) const {
  return Axis(axis).PixelToValue(pixel);
}

void XYPlotView::ClearSeries() {
  series_->Clear();
}

void XYPlotView::AddPoint(double x, double y) {
  series_->AddPoint(x, y);
}

void XYPlotView::SeriesPoints(std::vector<double>& x, std::vector<double>& y) const {
  const auto n = static_cast<std::size_t>(series_->Count());
  x.assign(series_->XData(), series_->XData() + n);
  y.assign(series_->YData(), series_->YData() + n);
}

}  // namespace pulse::window
