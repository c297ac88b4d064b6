// Tsp_PointAttr: the look of the point marks of a line series.
#pragma once

#include <functional>

#include "plot/colors.h"
#include "plot/pen.h"

namespace pulse::plot {

enum TPointKind {
  ptRectangle,
  ptEllipse,
  ptDiamond,
  ptCross,
  ptCustom,
  ptTriangle,
  ptDownTriangle
};

class Tsp_PointAttr {
 public:
  using ChangeHandler = std::function<void(Tsp_PointAttr*)>;

  static constexpr int kDefaultSize = 5;

  [[nodiscard]] TPointKind Kind() const { return kind_; }
  void SetKind(TPointKind v);
  // Sizes are kept as halves around the centre, so they always read back odd.
  [[nodiscard]] int HSize() const { return left_ + right_; }
  void SetHSize(int v);
  [[nodiscard]] int VSize() const { return top_ + bottom_; }
  void SetVSize(int v);
  [[nodiscard]] bool Visible() const { return visible_; }
  void SetVisible(bool v);
  [[nodiscard]] int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int v);
  [[nodiscard]] TColor BorderColor() const { return border_color_; }
  void SetBorderColor(TColor v);
  // The fill of closed marks (brush colour and style).
  [[nodiscard]] TColor Color() const { return color_; }
  void SetColor(TColor v);
  [[nodiscard]] TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v);

  [[nodiscard]] int LeftHalf() const { return left_; }
  [[nodiscard]] int RightHalf() const { return right_; }
  [[nodiscard]] int TopHalf() const { return top_; }
  [[nodiscard]] int BottomHalf() const { return bottom_; }

  // Border into a pen: colour, width, solid, copy mode.
  void ApplyBorderToPen(plot::CanvasPen& pen) const;
  void ApplyToBrush(plot::CanvasBrush& brush) const {
    brush.Color = color_;
    brush.Style = style_;
  }

  // Copies kind, visibility, sizes and the brush; border width and colour stay.
  void Assign(const Tsp_PointAttr& src);

  void SetOnChange(ChangeHandler h) { on_change_ = std::move(h); }

 private:
  void Changed() {
    if (on_change_) on_change_(this);
  }

  TPointKind kind_ = ptRectangle;
  int left_ = kDefaultSize / 2, right_ = kDefaultSize / 2 + 1;
  int top_ = kDefaultSize / 2, bottom_ = kDefaultSize / 2 + 1;
  bool visible_ = false;
  int border_width_ = 1;
  TColor border_color_ = 0;
  TColor color_ = 0x00FFFFFF;
  TBrushStyle style_ = bsSolid;
  ChangeHandler on_change_;
};

}  // namespace pulse::plot
