#include "plot/plot_marker.h"

#include "plot/xy_plot.h"

namespace pulse::plot {

Tsp_PlotMarker::~Tsp_PlotMarker() {
  if (plot_) plot_->RemoveMarker(this, whenDraw_);
}

void Tsp_PlotMarker::SetPlot(Tsp_XYPlot* plot) {
  if (plot == plot_) return;
  if (plot_) plot_->RemoveMarker(this, whenDraw_);
  plot_ = plot;
  ResolveX();
  ResolveY();
  if (plot_) plot_->AddMarker(this, whenDraw_);
}

void Tsp_PlotMarker::PlotDestroyed() {
  plot_ = nullptr;
  xAxisRef_ = yAxisRef_ = nullptr;
}

void Tsp_PlotMarker::ResolveX() {
  xAxisRef_ = !plot_ ? nullptr : xAxis_ == dsxTop ? &plot_->TopAxis() : &plot_->BottomAxis();
}

void Tsp_PlotMarker::ResolveY() {
  yAxisRef_ = !plot_ ? nullptr : yAxis_ == dsyRight ? &plot_->RightAxis() : &plot_->LeftAxis();
}

void Tsp_PlotMarker::Redraw() {
  if (plot_) plot_->InvalidateParts(false, false, true);
}

void Tsp_PlotMarker::SetWhenDraw(Tsp_WhenDrawMarker v) {
  if (v == whenDraw_) return;
  if (plot_) plot_->RemoveMarker(this, whenDraw_);
  whenDraw_ = v;
  if (plot_) plot_->AddMarker(this, whenDraw_);
}

void Tsp_PlotMarker::SetXAxis(Tsp_WhatXAxis v) {
  if (v == xAxis_) return;
  xAxis_ = v;
  ResolveX();
  Redraw();
}

void Tsp_PlotMarker::SetYAxis(Tsp_WhatYAxis v) {
  if (v == yAxis_) return;
  yAxis_ = v;
  ResolveY();
  Redraw();
}

void Tsp_PlotMarker::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Redraw();
}

}  // namespace pulse::plot
