#include "plot/cursor_marker.h"

#include "plot/canvas.h"
#include "plot/xy_plot.h"

namespace pulse::plot {

CursorMarker::CursorMarker() : Tsp_PlotMarker(true) { SetWhenDraw(dmAfterSeries); }

void CursorMarker::SetCursors(std::optional<double> a, std::optional<double> b) {
  if (a == a_ && b == b_) return;
  a_ = a;
  b_ = b;
  Redraw();
}

void CursorMarker::Draw() {
  if (Plot() == nullptr || Plot()->DrawingCanvas() == nullptr) return;
  if (a_) DrawOne(*a_, clWhite, "A");
  if (b_) DrawOne(*b_, clFuchsia, "B");
}

void CursorMarker::DrawOne(double x, TColor color, const char* label) {
  Tsp_XYPlot* plot = Plot();
  auto* c = plot->DrawingCanvas();
  const auto& f = plot->FieldRect();
  const int px = XAxisRef()->ValueToPixel(x);
  if (px < f.left || px >= f.right) return;
  c->Pen().Style = psSolid;
  c->Pen().Width = 1;
  c->Pen().mode = pmCopy;
  c->Pen().Color = color;
  c->Line(px, f.top, px, f.bottom);
  // The handle hangs from the top of the field, centred on the line.
  const int half = kHandleWidth / 2;
  c->Brush().Style = bsSolid;
  c->Brush().Color = color;
  c->Rectangle(px - half, f.top, px + half + 1, f.top + kHandleHeight);
  const CanvasFont saved = c->Font();
  CanvasFont font = plot->Font();
  font.Color = clBlack;
  font.Orientation = 0;
  c->SetFont(font);
  c->Brush().Style = bsClear;
  c->TextOut(px - c->TextWidth(label) / 2, f.top, label);
  c->SetFont(saved);
}

}  // namespace pulse::plot
