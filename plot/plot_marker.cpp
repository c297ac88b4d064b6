#include "plot/plot_marker.h"

#include "plot/xy_plot.h"

namespace pulse::plot {

Tsp_PlotMarker::~Tsp_PlotMarker() {
  if (plot_) plot_->RemoveMarker(this, when_draw_);
}

void Tsp_PlotMarker::SetPlot(Tsp_XYPlot* plot) {
  if (plot == plot_) return;
  if (plot_) plot_->RemoveMarker(this, when_draw_);
  plot_ = plot;
  ResolveX();
  ResolveY();
  if (plot_) plot_->AddMarker(this, when_draw_);
}

void Tsp_PlotMarker::PlotDestroyed() {
  plot_ = nullptr;
  x_axis_ref_ = y_axis_ref_ = nullptr;
}

void Tsp_PlotMarker::ResolveX() {
  x_axis_ref_ = !plot_ ? nullptr : x_axis_ == dsxTop ? &plot_->TopAxis() : &plot_->BottomAxis();
}

void Tsp_PlotMarker::ResolveY() {
  y_axis_ref_ = !plot_ ? nullptr : y_axis_ == dsyRight ? &plot_->RightAxis() : &plot_->LeftAxis();
}

void Tsp_PlotMarker::Redraw() {
  if (plot_) plot_->InvalidateParts(Part::kField);
}

void Tsp_PlotMarker::SetWhenDraw(Tsp_WhenDrawMarker v) {
  if (v == when_draw_) return;
  if (plot_) plot_->RemoveMarker(this, when_draw_);
  when_draw_ = v;
  if (plot_) plot_->AddMarker(this, when_draw_);
}

void Tsp_PlotMarker::SetXAxis(Tsp_WhatXAxis v) {
  if (v == x_axis_) return;
  x_axis_ = v;
  ResolveX();
  Redraw();
}

void Tsp_PlotMarker::SetYAxis(Tsp_WhatYAxis v) {
  if (v == y_axis_) return;
  y_axis_ = v;
  ResolveY();
  Redraw();
}

void Tsp_PlotMarker::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Redraw();
}

}  // namespace pulse::plot
