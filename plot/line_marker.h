// Tsp_LineMarker: one straight reference line across the field at an X or a Y value.
#pragma once

#include "plot/pen.h"
#include "plot/plot_marker.h"

namespace pulse::plot {

enum Tsp_LMOrientation { loVertical, loHorizontal };

class Tsp_LineMarker : public Tsp_PlotMarker {
 public:
  Tsp_LineMarker() : Tsp_PlotMarker(true) {}

  [[nodiscard]] const plot::CanvasPen& Pen() const { return pen_; }
  // Copies the pen; the marker redraws.
  void SetPen(const plot::CanvasPen& p);
  // With a solid brush its colour fills the gaps of a dotted or dashed pen.
  [[nodiscard]] const plot::CanvasBrush& Brush() const { return brush_; }
  void SetBrush(const plot::CanvasBrush& b);
  [[nodiscard]] double Position() const { return position_; }
  void SetPosition(double v);
  [[nodiscard]] Tsp_LMOrientation Orientation() const { return orientation_; }
  void SetOrientation(Tsp_LMOrientation v);

  void Draw() override;

 private:
  plot::CanvasPen pen_{clBlack, psSolid, 1, pmCopy};
  plot::CanvasBrush brush_{clWhite, bsSolid};
  double position_ = 0;
  Tsp_LMOrientation orientation_ = loVertical;
};

}  // namespace pulse::plot
