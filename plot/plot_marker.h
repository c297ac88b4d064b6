// Tsp_PlotMarker: what the plot expects of a marker (attachment, axes, drawing step).
#pragma once

#include "plot/xy_plot_types.h"

namespace pulse::plot {

class Tsp_PlotMarker {
 public:
  Tsp_PlotMarker() = default;
  virtual ~Tsp_PlotMarker();
  Tsp_PlotMarker(const Tsp_PlotMarker&) = delete;
  Tsp_PlotMarker& operator=(const Tsp_PlotMarker&) = delete;

  [[nodiscard]] Tsp_XYPlot* Plot() const { return plot_; }
  void SetPlot(Tsp_XYPlot* plot);
  [[nodiscard]] Tsp_WhatXAxis XAxis() const { return x_axis_; }
  void SetXAxis(Tsp_WhatXAxis v);
  [[nodiscard]] Tsp_WhatYAxis YAxis() const { return y_axis_; }
  void SetYAxis(Tsp_WhatYAxis v);
  [[nodiscard]] Tsp_WhenDrawMarker WhenDraw() const { return when_draw_; }
  void SetWhenDraw(Tsp_WhenDrawMarker v);
  [[nodiscard]] bool Visible() const { return visible_; }
  void SetVisible(bool v);

  // Draws on the plot's DrawingCanvas.
  virtual void Draw() = 0;
  // Asks the plot for a field repaint.
  void Redraw();

  void PlotDestroyed();

 protected:
  explicit Tsp_PlotMarker(bool visible) : visible_(visible) {}
  // The axes the selectors name on the plot (none without a plot).
  [[nodiscard]] Tsp_Axis* XAxisRef() const { return x_axis_ref_; }
  [[nodiscard]] Tsp_Axis* YAxisRef() const { return y_axis_ref_; }

 private:
  void ResolveX();
  void ResolveY();

  Tsp_XYPlot* plot_ = nullptr;
  Tsp_WhatXAxis x_axis_ = dsxBottom;
  Tsp_WhatYAxis y_axis_ = dsyLeft;
  Tsp_WhenDrawMarker when_draw_ = dmBeforeSeries;
  bool visible_ = false;
  Tsp_Axis* x_axis_ref_ = nullptr;
  Tsp_Axis* y_axis_ref_ = nullptr;
};

}  // namespace pulse::plot
