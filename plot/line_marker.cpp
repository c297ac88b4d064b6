#include "plot/line_marker.h"

#include "plot/canvas.h"
#include "plot/xy_plot.h"

namespace pulse::plot {

void Tsp_LineMarker::SetPen(const plot::CanvasPen& p) {
  pen_ = p;
  Redraw();
}

void Tsp_LineMarker::SetBrush(const plot::CanvasBrush& b) {
  brush_ = b;
  Redraw();
}

void Tsp_LineMarker::SetPosition(double v) {
  if (v == position_) return;
  position_ = v;
  Redraw();
}

void Tsp_LineMarker::SetOrientation(Tsp_LMOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  Redraw();
}

void Tsp_LineMarker::Draw() {
  Tsp_XYPlot* plot = Plot();
  if (!plot) return;
  plot::Canvas* c = plot->DrawingCanvas();
  if (!c) return;
  const TRect& f = plot->FieldRect();
  const int w = pen_.Width;
  if (orientation_ == loVertical) {
    const int x = XAxisRef()->ValueToPixel(position_);
    if (x > f.right + w - 1 || x < f.left - w) return;
    c->Pen() = pen_;
    c->Brush() = brush_;
    c->Line(x, f.top, x, f.bottom);
  } else {
    const int y = YAxisRef()->ValueToPixel(position_);
    if (y > f.bottom + w - 1 || y < f.top - w + 1) return;
    c->Pen() = pen_;
    c->Brush() = brush_;
    c->Line(f.left, y, f.right, y);
  }
}

}  // namespace pulse::plot
