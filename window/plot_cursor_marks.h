// ICursorMarks over the plot library: a cursor marker attached to one view's plot.
#pragma once

#include "plot/cursor_marker.h"
#include "window/view_cursors.h"

namespace pulse::window {

class PlotCursorMarks : public ICursorMarks {
 public:
  // Attaches the cursors to `plot`, which must outlive this object.
  explicit PlotCursorMarks(plot::Tsp_XYPlot& plot) { marker_.SetPlot(&plot); }

  void ShowCursors(std::optional<double> a, std::optional<double> b) override {
    marker_.SetCursors(a, b);
  }

  [[nodiscard]] const plot::CursorMarker& Marker() const { return marker_; }

 private:
  plot::CursorMarker marker_;
};

}  // namespace pulse::window
