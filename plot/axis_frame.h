// The four axes of a plot as the plot lays them out and draws them: the field rectangle from
// the room the axes need, axis lines with their corner extensions, ticks, labels, captions,
// and the grid lines inside the field.
#pragma once

#include "plot/axis.h"
#include "plot/canvas.h"
#include "plot/rect.h"

namespace pulse::plot {

struct PlotAxes {
  Tsp_Axis& left;
  Tsp_Axis& right;
  Tsp_Axis& bottom;
  Tsp_Axis& top;
};

// The field is never narrower or lower than this, even if it then overlaps the margins.
inline constexpr int kMinFieldSize = 3;

// Field rectangle for a drawing of width x height (char_width: width of "0" in the plot
// font; text_height: its absolute height), measured with the axes' current mappings; then
// places the four axis lines just outside the field.
[[nodiscard]] Rect LayoutAxes(const PlotAxes& axes, int char_width, int text_height, int width, int height);

// Axis lines, ticks, labels and captions around the field (the plot's frame step).
// plot_font is the plot's font; vertical_font its bold, 90-degree copy (MakeVerticalFont).
void DrawAxes(Canvas& canvas, const PlotAxes& axes, const Rect& field, int width, int height,
              const CanvasFont& plot_font, const CanvasFont& vertical_font);

// Grid lines of the four axes (left, bottom, right, top) inside the field; lines on the
// field's first or last row or column are left out. Leaves the brush clear. The caller clips
// to the field.
void DrawGrids(Canvas& canvas, const PlotAxes& axes, const Rect& field);

}  // namespace pulse::plot
