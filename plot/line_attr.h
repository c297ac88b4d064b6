// Appearance of a line (axis line, grid line, series line): colour, pen style, width and
// visibility, with a change handler that the owner uses to repaint.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "plot/colors.h"
#include "plot/pen.h"

namespace pulse::plot {

class PropertyStore;

class Tsp_CustomLineAttr {
 public:
  using ChangeHandler = std::function<void(Tsp_CustomLineAttr&)>;

  Tsp_CustomLineAttr() = default;
  virtual ~Tsp_CustomLineAttr() = default;
  // Copying copies the four values only, never the change handler.
  Tsp_CustomLineAttr(const Tsp_CustomLineAttr& other) { Assign(other); }
  Tsp_CustomLineAttr& operator=(const Tsp_CustomLineAttr& other) {
    Assign(other);
    return *this;
  }

  [[nodiscard]] TColor Color() const { return color_; }
  [[nodiscard]] TPenStyle Style() const { return style_; }
  [[nodiscard]] std::uint16_t Width() const { return width_; }
  [[nodiscard]] bool Visible() const { return visible_; }

  // Each setter stores a different value and then calls Changed, also for an equal value.
  void SetColor(TColor value);
  void SetStyle(TPenStyle value);
  void SetWidth(std::uint16_t value);
  void SetVisible(bool value);

  // Calls the change handler, if one is set.
  virtual void Changed();
  void SetOnChange(ChangeHandler handler) { on_change_ = std::move(handler); }
  [[nodiscard]] const ChangeHandler& OnChange() const { return on_change_; }

  // Copies the four values without calling Changed.
  void Assign(const Tsp_CustomLineAttr& source);
  void AssignTo(Tsp_CustomLineAttr& target) const { target.Assign(*this); }
  [[nodiscard]] bool IsSame(const Tsp_CustomLineAttr& other) const;

  // Colour, style and width into the pen, mode copy; visibility is the caller's test.
  void ApplyToPen(plot::CanvasPen& pen) const;

  // Persisted form under "<prefix>Color", "<prefix>Style" (when not psSolid),
  // "<prefix>Width" (when not 1), "<prefix>Visible"; loading does not call Changed.
  void SaveProperties(plot::PropertyStore& store, const std::string& prefix) const;
  void LoadProperties(const plot::PropertyStore& store, const std::string& prefix);

 private:
  TColor color_ = clBlack;
  TPenStyle style_ = psSolid;
  std::uint16_t width_ = 1;
  bool visible_ = true;
  ChangeHandler on_change_;
};

// Publishes the four properties; adds nothing else.
class Tsp_LineAttr : public Tsp_CustomLineAttr {
 public:
  using Tsp_CustomLineAttr::Tsp_CustomLineAttr;
  using Tsp_CustomLineAttr::operator=;
};

}  // namespace pulse::plot
