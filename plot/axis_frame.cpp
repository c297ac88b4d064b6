#include "plot/axis_frame.h"

#include <algorithm>

namespace pulse::plot {

namespace {

int LineWidthIfVisible(const Tsp_Axis& a) {
  return a.LineAttr().Visible() ? a.LineAttr().Width() : 0;
}

}  // namespace

Rect LayoutAxes(const PlotAxes& axes, int char_width, int text_height, int width, int height) {
  const int cw = char_width;
  const int th = text_height;
  const int left = std::max({axes.left.OuterDepth(cw, th), axes.bottom.StartOverhang(cw, th),
                             axes.top.StartOverhang(cw, th)}) +
                   axes.left.Margin();
  const int bottom = std::max({axes.bottom.OuterDepth(cw, th), axes.left.StartOverhang(cw, th),
                               axes.right.StartOverhang(cw, th)}) +
                     axes.bottom.Margin();
  const int right = std::max({axes.right.OuterDepth(cw, th), axes.bottom.EndOverhang(cw, th),
                              axes.top.EndOverhang(cw, th)}) +
                    axes.right.Margin();
  const int top = std::max({axes.top.OuterDepth(cw, th), axes.left.EndOverhang(cw, th),
                            axes.right.EndOverhang(cw, th)}) +
                  axes.top.Margin();
  Rect f{left, top, width - right, height - bottom};
  if (f.right < f.left + kMinFieldSize) f.right = f.left + kMinFieldSize;
  if (f.bottom < f.top + kMinFieldSize) f.bottom = f.top + kMinFieldSize;
  // The axis lines lie just outside the field.
  axes.left.SetLinePos(f.left - 1, f.bottom - 1, f.bottom - f.top - 1);
  axes.right.SetLinePos(f.right, f.bottom - 1, f.bottom - f.top - 1);
  axes.bottom.SetLinePos(f.left, f.bottom, f.right - f.left - 1);
  axes.top.SetLinePos(f.left, f.top - 1, f.right - f.left - 1);
  return f;
}

void DrawAxes(Canvas& canvas, const PlotAxes& axes, const Rect& field, int width, int height,
              const CanvasFont& plot_font, const CanvasFont& vertical_font) {
  canvas.Brush().Style = bsClear;
  // Extensions let neighbouring lines meet at the corners.
  axes.top.DrawLine(canvas, 0, LineWidthIfVisible(axes.right));
  axes.right.DrawLine(canvas, LineWidthIfVisible(axes.bottom), 0);
  axes.bottom.DrawLine(canvas, LineWidthIfVisible(axes.left), 0);
  axes.left.DrawLine(canvas, 0, LineWidthIfVisible(axes.top));

  CanvasPen& pen = canvas.Pen();
  pen.mode = pmCopy;
  pen.Style = psSolid;
  pen.Color = plot_font.Color;
  pen.Width = 1;
  canvas.SetFont(plot_font);
  axes.top.DrawTicks(canvas);
  axes.right.DrawTicks(canvas);
  axes.left.DrawTicks(canvas);
  axes.bottom.DrawTicks(canvas);

  if (axes.bottom.CaptionShown() || axes.top.CaptionShown()) {
    CanvasFont bold = plot_font;
    bold.face.setBold(true);
    canvas.SetFont(bold);
    if (axes.bottom.CaptionShown()) {
      const std::string& c = axes.bottom.Caption();
      canvas.TextOut((field.left + field.right - canvas.TextWidth(c)) / 2,
                     height - axes.bottom.Margin(), c);
    }
    if (axes.top.CaptionShown()) {
      const std::string& c = axes.top.Caption();
      canvas.TextOut((field.left + field.right - canvas.TextWidth(c)) / 2,
                     axes.top.Margin() - 1 - canvas.TextHeight("8"), c);
    }
  }
  if (axes.left.CaptionShown() || axes.right.CaptionShown()) {
    // Upward text; its cell lies right of the start point, so the start is one text
    // height left of the margin's inner edge.
    canvas.SetFont(vertical_font);
    if (axes.left.CaptionShown()) {
      const std::string& c = axes.left.Caption();
      canvas.TextOut(axes.left.Margin() - 1 - canvas.TextHeight("8"),
                     (field.top + field.bottom + canvas.TextWidth(c)) / 2, c);
    }
    if (axes.right.CaptionShown()) {
      const std::string& c = axes.right.Caption();
      canvas.TextOut(width - axes.right.Margin(),
                     (field.top + field.bottom + canvas.TextWidth(c)) / 2, c);
    }
  }
}

void DrawGrids(Canvas& canvas, const PlotAxes& axes, const Rect& field) {
  // Dotted grids keep the field colour in their gaps.
  canvas.Brush().Style = bsClear;
  const Tsp_Axis* order[] = {&axes.left, &axes.bottom, &axes.right, &axes.top};
  for (const Tsp_Axis* a : order) {
    if (!a->GridAttr().Visible() || a->TicksCount() <= 0) continue;
    a->GridAttr().ApplyToPen(canvas.Pen());
    for (int i = 0; i < a->TicksCount(); ++i) {
      const int p = a->TickPixel(i);
      // Lines on the field's first or last row or column would hide the axis ends.
      if (a->IsVertical()) {
        if (field.top < p && p < field.bottom - 1) canvas.Line(field.left, p, field.right, p);
      } else {
        if (field.left < p && p < field.right - 1) canvas.Line(p, field.top, p, field.bottom);
      }
    }
  }
}

}  // namespace pulse::plot
