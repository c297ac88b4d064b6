#include "plot/line_attr.h"

#include "plot/property_store.h"

namespace pulse::plot {

void Tsp_CustomLineAttr::SetColor(TColor value) {
  if (color_ != value) color_ = value;
  Changed();
}

void Tsp_CustomLineAttr::SetStyle(TPenStyle value) {
  if (style_ != value) style_ = value;
  Changed();
}

void Tsp_CustomLineAttr::SetWidth(std::uint16_t value) {
  if (width_ != value) width_ = value;
  Changed();
}

void Tsp_CustomLineAttr::SetVisible(bool value) {
  if (visible_ != value) visible_ = value;
  Changed();
}

void Tsp_CustomLineAttr::Changed() {
  if (on_change_) on_change_(*this);
}

void Tsp_CustomLineAttr::Assign(const Tsp_CustomLineAttr& source) {
  if (&source == this) return;
  color_ = source.color_;
  style_ = source.style_;
  width_ = source.width_;
  visible_ = source.visible_;
}

bool Tsp_CustomLineAttr::IsSame(const Tsp_CustomLineAttr& other) const {
  return color_ == other.color_ && style_ == other.style_ && width_ == other.width_ &&
         visible_ == other.visible_;
}

void Tsp_CustomLineAttr::ApplyToPen(plot::CanvasPen& pen) const {
  pen.Color = color_;
  pen.Style = style_;
  pen.Width = width_;
  pen.mode = pmCopy;
}

void Tsp_CustomLineAttr::SaveProperties(plot::PropertyStore& store,
                                        const std::string& prefix) const {
  store.SetInt(prefix + "Color", color_);
  if (style_ != psSolid) store.SetInt(prefix + "Style", style_);
  if (width_ != 1) store.SetInt(prefix + "Width", width_);
  store.SetBool(prefix + "Visible", visible_);
}

void Tsp_CustomLineAttr::LoadProperties(const plot::PropertyStore& store,
                                        const std::string& prefix) {
  if (auto v = store.GetInt(prefix + "Color")) color_ = static_cast<TColor>(*v);
  // Out-of-range styles and widths from a damaged store keep the current value.
  if (auto v = store.GetInt(prefix + "Style"); v && *v >= psSolid && *v <= psInsideFrame)
    style_ = static_cast<TPenStyle>(*v);
  if (auto v = store.GetInt(prefix + "Width"); v && *v >= 0 && *v <= 0xFFFF)
    width_ = static_cast<std::uint16_t>(*v);
  if (auto v = store.GetBool(prefix + "Visible")) visible_ = *v;
}

}  // namespace pulse::plot
