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
  const int left = std::max({axes.Left.OuterDepth(cw, th), axes.Bottom.StartOverhang(cw, th),
                             axes.Top.StartOverhang(cw, th)}) +
                   axes.Left.Margin();
  const int bottom = std::max({axes.Bottom.OuterDepth(cw, th), axes.Left.StartOverhang(cw, th),
                               axes.Right.StartOverhang(cw, th)}) +
                     axes.Bottom.Margin();
  const int right = std::max({axes.Right.OuterDepth(cw, th), axes.Bottom.EndOverhang(cw, th),
                              axes.Top.EndOverhang(cw, th)}) +
                    axes.Right.Margin();
  const int top = std::max({axes.Top.OuterDepth(cw, th), axes.Left.EndOverhang(cw, th),
                            axes.Right.EndOverhang(cw, th)}) +
                  axes.Top.Margin();
  Rect f{left, top, width - right, height - bottom};
  if (f.Right < f.Left + kMinFieldSize) f.Right = f.Left + kMinFieldSize;
  if (f.Bottom < f.Top + kMinFieldSize) f.Bottom = f.Top + kMinFieldSize;
  // The axis lines lie just outside the field.
  axes.Left.SetLinePos(f.Left - 1, f.Bottom - 1, f.Bottom - f.Top - 1);
  axes.Right.SetLinePos(f.Right, f.Bottom - 1, f.Bottom - f.Top - 1);
  axes.Bottom.SetLinePos(f.Left, f.Bottom, f.Right - f.Left - 1);
  axes.Top.SetLinePos(f.Left, f.Top - 1, f.Right - f.Left - 1);
  return f;
}

void DrawAxes(Canvas& canvas, const PlotAxes& axes, const Rect& field, int width, int height,
              const CanvasFont& plot_font, const CanvasFont& vertical_font) {
  canvas.Brush().Style = bsClear;
  // Extensions let neighbouring lines meet at the corners.
  axes.Top.DrawLine(canvas, 0, LineWidthIfVisible(axes.Right));
  axes.Right.DrawLine(canvas, LineWidthIfVisible(axes.Bottom), 0);
  axes.Bottom.DrawLine(canvas, LineWidthIfVisible(axes.Left), 0);
  axes.Left.DrawLine(canvas, 0, LineWidthIfVisible(axes.Top));

  CanvasPen& pen = canvas.Pen();
  pen.Mode = pmCopy;
  pen.Style = psSolid;
  pen.Color = plot_font.Color;
  pen.Width = 1;
  canvas.SetFont(plot_font);
  axes.Top.DrawTicks(canvas);
  axes.Right.DrawTicks(canvas);
  axes.Left.DrawTicks(canvas);
  axes.Bottom.DrawTicks(canvas);

  if (axes.Bottom.CaptionShown() || axes.Top.CaptionShown()) {
    CanvasFont bold = plot_font;
    bold.Face.setBold(true);
    canvas.SetFont(bold);
    if (axes.Bottom.CaptionShown()) {
      const std::string& c = axes.Bottom.Caption();
      canvas.TextOut((field.Left + field.Right - canvas.TextWidth(c)) / 2,
                     height - axes.Bottom.Margin(), c);
    }
    if (axes.Top.CaptionShown()) {
      const std::string& c = axes.Top.Caption();
      canvas.TextOut((field.Left + field.Right - canvas.TextWidth(c)) / 2,
                     axes.Top.Margin() - 1 - canvas.TextHeight("8"), c);
    }
  }
  if (axes.Left.CaptionShown() || axes.Right.CaptionShown()) {
    // Upward text; its cell lies right of the start point, so the start is one text
    // height left of the margin's inner edge.
    canvas.SetFont(vertical_font);
    if (axes.Left.CaptionShown()) {
      const std::string& c = axes.Left.Caption();
      canvas.TextOut(axes.Left.Margin() - 1 - canvas.TextHeight("8"),
                     (field.Top + field.Bottom + canvas.TextWidth(c)) / 2, c);
    }
    if (axes.Right.CaptionShown()) {
      const std::string& c = axes.Right.Caption();
      canvas.TextOut(width - axes.Right.Margin(),
                     (field.Top + field.Bottom + canvas.TextWidth(c)) / 2, c);
    }
  }
}

void DrawGrids(Canvas& canvas, const PlotAxes& axes, const Rect& field) {
  // Dotted grids keep the field colour in their gaps.
  canvas.Brush().Style = bsClear;
  const Tsp_Axis* order[] = {&axes.Left, &axes.Bottom, &axes.Right, &axes.Top};
  for (const Tsp_Axis* a : order) {
    if (!a->GridAttr().Visible() || a->TicksCount() <= 0) continue;
    a->GridAttr().ApplyToPen(canvas.Pen());
    for (int i = 0; i < a->TicksCount(); ++i) {
      const int p = a->TickPixel(i);
      // Lines on the field's first or last row or column would hide the axis ends.
      if (a->IsVertical()) {
        if (field.Top < p && p < field.Bottom - 1) canvas.Line(field.Left, p, field.Right, p);
      } else {
        if (field.Left < p && p < field.Right - 1) canvas.Line(p, field.Top, p, field.Bottom);
      }
    }
  }
}

}  // namespace pulse::plot
