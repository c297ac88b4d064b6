#include "plot/data_series.h"

#include "plot/xy_plot.h"

namespace pulse::plot {

Tsp_DataSeries::~Tsp_DataSeries() {
  if (plot_) plot_->RemoveSeries(this);
}

void Tsp_DataSeries::SetPlot(Tsp_XYPlot* plot) {
  if (plot == plot_) return;
  if (plot_) plot_->RemoveSeries(this);
  plot_ = plot;
  if (plot_) plot_->AddSeries(this);
}

void Tsp_DataSeries::SetXAxis(Tsp_WhatXAxis v) {
  if (v == x_axis_) return;
  x_axis_ = v;
  if (!plot_) return;
  const bool a = plot_->AutoScale(plot_->BottomAxis());
  const bool b = plot_->AutoScale(plot_->TopAxis());
  if (a || b) plot_->Invalidate();
}

void Tsp_DataSeries::SetYAxis(Tsp_WhatYAxis v) {
  if (v == y_axis_) return;
  y_axis_ = v;
  if (!plot_) return;
  const bool a = plot_->AutoScale(plot_->LeftAxis());
  const bool b = plot_->AutoScale(plot_->RightAxis());
  if (a || b) plot_->Invalidate();
}

void Tsp_DataSeries::SetLegend(const std::string& v) {
  if (v == legend_) return;
  legend_ = v;
  LegendChanged();
}

void Tsp_DataSeries::SetActive(bool v) {
  if (v == active_) return;
  active_ = v;
  if (plot_) plot_->SeriesChanged(this);
}

void Tsp_DataSeries::DataChanged(int mode) {
  if (!active_ || !plot_) return;
  if (mode == kDataChanged)
    plot_->SeriesChanged(this);
  else if (mode == kLookChanged)
    plot_->InvalidateParts(Part::kField);
}

Tsp_XYDataSeries::Tsp_XYDataSeries() {
  line_attr_.SetOnChange([this](Tsp_CustomLineAttr& a) { AttrChanged(&a); });
}

Tsp_XYDataSeries::~Tsp_XYDataSeries() {
  line_attr_.SetOnChange(nullptr);
}

void Tsp_XYDataSeries::SetLineAttr(const Tsp_LineAttr& a) {
  if (!line_attr_.IsSame(a)) line_attr_.Assign(a);
}

void Tsp_XYDataSeries::StorePoint(double x, double y) {
  if (count_ >= capacity_) {
    capacity_ += kGrowthStep;
  }
  // The vectors themselves grow geometrically so that appends stay O(1) amortised; only the
  // usable-slot count above follows the 32-slot step.
  x_.push_back(x);
  y_.push_back(y);
  y_spans_.Append(y);
  // Written so that a NaN x counts as a decrease.
  x_non_decreasing_ = x_non_decreasing_ && (count_ == 0 ? x == x : x >= x_[x_.size() - 2]);
  if (count_ == 0) {
    x_min_ = x_max_ = x;
    y_min_ = y_max_ = y;
    extents_valid_ = true;
  } else if (extents_valid_) {
    if (x < x_min_)
      x_min_ = x;
    else if (x > x_max_)
      x_max_ = x;
    if (y < y_min_)
      y_min_ = y;
    else if (y > y_max_)
      y_max_ = y;
  }
  ++count_;
}

void Tsp_XYDataSeries::AddPoint(double x, double y) {
  StorePoint(x, y);
  // Data changed: rescale check plus a coalesced paint request, never an immediate repaint.
  if (Plot()) DataChanged(kDataChanged);
}

void Tsp_XYDataSeries::Clear() {
  const bool notify = Active() && count_ > 0;
  count_ = 0;
  x_.clear();
  y_.clear();
  y_spans_.Clear();
  x_non_decreasing_ = true;
  if (notify && Plot()) DataChanged(kDataChanged);
}

bool Tsp_XYDataSeries::EnsureExtents() {
  if (count_ == 0) return false;
  if (!extents_valid_) {
    x_min_ = x_max_ = x_[0];
    y_min_ = y_max_ = y_[0];
    for (std::size_t i = 1; i < static_cast<std::size_t>(count_); ++i) {
      if (x_[i] < x_min_)
        x_min_ = x_[i];
      else if (x_[i] > x_max_)
        x_max_ = x_[i];
      if (y_[i] < y_min_)
        y_min_ = y_[i];
      else if (y_[i] > y_max_)
        y_max_ = y_[i];
    }
    extents_valid_ = true;
  }
  return true;
}

bool Tsp_XYDataSeries::GetXMin(double& v) {
  if (!EnsureExtents()) return false;
  v = x_min_;
  return true;
}
bool Tsp_XYDataSeries::GetXMax(double& v) {
  if (!EnsureExtents()) return false;
  v = x_max_;
  return true;
}
bool Tsp_XYDataSeries::GetYMin(double& v) {
  if (!EnsureExtents()) return false;
  v = y_min_;
  return true;
}
bool Tsp_XYDataSeries::GetYMax(double& v) {
  if (!EnsureExtents()) return false;
  v = y_max_;
  return true;
}

void Tsp_XYDataSeries::AttrChanged(const void* /*sender*/) {
  if (Plot()) DataChanged(kLookChanged);
}

}  // namespace pulse::plot
