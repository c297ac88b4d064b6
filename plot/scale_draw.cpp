// Drawing of a scale's line, tick marks and labels.
#include "plot/canvas.h"
#include "plot/scale.h"

namespace pulse::plot {

using plot::kLabelGap;
using plot::kTickLength;

void Tsp_Scale::DrawLine(plot::Canvas& canvas, int ext_start, int ext_end) const {
  if (!line_attr_.Visible()) return;
  plot::CanvasPen& pen = canvas.Pen();
  pen.Color = line_attr_.Color();
  pen.Style = line_attr_.Style();
  pen.Width = 1;
  pen.mode = pmCopy;
  const int w = line_attr_.Width();
  const int dir = IsFarSide() ? -1 : 1;
  // w parallel 1-pixel lines, the first on the line position, each next one further out.
  for (int j = 0; j < w; ++j) {
    if (IsVertical()) {
      const int x = line_x_ - j * dir;
      canvas.Line(x, line_y_ - line_length_ - ext_end, x, line_y_ + 1 + ext_start);
    } else {
      const int y = line_y_ + j * dir;
      canvas.Line(line_x_ - ext_start, y, line_x_ + line_length_ + 1 + ext_end, y);
    }
  }
}

void Tsp_Scale::DrawTicks(plot::Canvas& canvas) {
  const bool marks = TicksLines();
  const bool labels = !NoTicksLabel();
  if ((!marks && !labels) || tick_count_ == 0) return;
  const int w = line_attr_.Width();
  const bool far = IsFarSide();
  const int x = line_x_;
  const int y = line_y_;
  std::string text;
  for (int i = 0; i < tick_count_; ++i) {
    const int p = tick_pixels_[static_cast<std::size_t>(i)];
    if (IsVertical()) {
      if (marks) {
        if (far)
          canvas.Line(x + w, p, x + w + kTickLength, p);
        else
          canvas.Line(x - w, p, x - w - kTickLength, p);
      }
      if (labels) {
        GetTickLabel(i, text);
        const int h = canvas.TextHeight("8") / 2;
        if (far)
          canvas.TextOut(x + w + kLabelGap, p - h, text);
        else
          canvas.TextOut(x - w - kLabelGap - canvas.TextWidth(text), p - h, text);
      }
    } else {
      if (marks) {
        if (far)
          canvas.Line(p, y - w, p, y - w - kTickLength);
        else
          canvas.Line(p, y + w, p, y + w + kTickLength);
      }
      if (labels) {
        GetTickLabel(i, text);
        const int left = p - canvas.TextWidth(text) / 2;
        if (far)
          canvas.TextOut(left, y - w - kLabelGap - canvas.TextHeight("8"), text);
        else
          canvas.TextOut(left, y + w + kLabelGap, text);
      }
    }
  }
}

}  // namespace pulse::plot
