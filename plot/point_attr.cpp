#include "plot/point_attr.h"

#include <algorithm>

namespace pulse::plot {

void Tsp_PointAttr::SetKind(TPointKind v) {
  if (v == kind_) return;
  kind_ = v;
  Changed();
}

void Tsp_PointAttr::SetHSize(int v) {
  if (v < 0) v = 1;
  if (v / 2 == left_) return;
  left_ = v / 2;
  right_ = v / 2 + 1;
  Changed();
}

void Tsp_PointAttr::SetVSize(int v) {
  if (v < 0) v = 1;
  if (v / 2 == top_) return;
  top_ = v / 2;
  bottom_ = v / 2 + 1;
  Changed();
}

void Tsp_PointAttr::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed();
}

void Tsp_PointAttr::SetBorderWidth(int v) {
  if (v < 0) v = 1;
  // A border wider than half the mark would swallow it.
  v = std::min({v, left_, top_});
  if (v == border_width_) return;
  border_width_ = v;
  Changed();
}

void Tsp_PointAttr::SetBorderColor(TColor v) {
  if (v == border_color_) return;
  border_color_ = v;
  Changed();
}

void Tsp_PointAttr::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void Tsp_PointAttr::SetStyle(TBrushStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void Tsp_PointAttr::Assign(const Tsp_PointAttr& src) {
  if (&src == this) return;
  kind_ = src.kind_;
  visible_ = src.visible_;
  SetHSize(src.HSize());
  SetVSize(src.VSize());
  // The brush part of the copy reports itself once, like a brush assignment does.
  color_ = src.color_;
  style_ = src.style_;
  Changed();
}

void Tsp_PointAttr::ApplyBorderToPen(plot::CanvasPen& pen) const {
  pen.Color = border_color_;
  pen.Width = border_width_;
  pen.Style = psSolid;
  pen.mode = pmCopy;
}

}  // namespace pulse::plot
