// One of the four axes of an XY plot: a scale with a margin, a caption, grid lines, automatic
// range flags, a remembered range (undo of a mouse zoom or pan) and repaint requests to its
// plot.
#pragma once

#include <cstdint>
#include <string>

#include "plot/axis_owner.h"
#include "plot/line_attr.h"
#include "plot/scale.h"

namespace pulse::plot {

class PropertyStore;

// Flag sets the plot creates its axes with.
inline constexpr std::uint32_t kLeftAxisFlags = 1;    // vertical
inline constexpr std::uint32_t kRightAxisFlags = 57;  // vertical, far side, no ticks or labels
inline constexpr std::uint32_t kBottomAxisFlags = 0;  // horizontal
inline constexpr std::uint32_t kTopAxisFlags = 56;    // far side, no ticks or labels
inline constexpr TColor kGridColor = 8421504;         // gray
inline constexpr int kDefaultAxisMargin = 4;
inline constexpr int kDefaultTicksCount = 5;

class Tsp_Axis : public Tsp_Scale {
 public:
  explicit Tsp_Axis(std::uint32_t flags);
  ~Tsp_Axis() override;

  // The owning plot; repaint requests are skipped while there is none.
  void SetPlot(plot::AxisOwner* owner) { owner_ = owner; }
  [[nodiscard]] plot::AxisOwner* Plot() const { return owner_; }

  [[nodiscard]] int Margin() const { return margin_; }
  void SetMargin(int value);
  [[nodiscard]] const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  // True when the caption has a character above space; only then is it drawn.
  [[nodiscard]] bool CaptionShown() const { return caption_shown_; }

  // Min/Max setters switch the automatic side off and forget the remembered range.
  void SetMin(double value);
  void SetMax(double value);
  // Clamped to 21; reading TicksCount() gives the count actually computed.
  void SetTicksCount(int value);
  void SetLabelFormat(const std::string& value);
  // Copy the given attribute's values (no repaint) unless they are the same.
  void SetLineAttr(const Tsp_LineAttr& value);
  void SetGridAttr(const Tsp_LineAttr& value);
  [[nodiscard]] Tsp_LineAttr& GridAttr() { return grid_attr_; }
  [[nodiscard]] const Tsp_LineAttr& GridAttr() const { return grid_attr_; }

  [[nodiscard]] bool AutoMin() const { return Flag(plot::flag_index::kAutoMin); }
  void SetAutoMin(bool v) { SetFlag(plot::flag_index::kAutoMin, v); }
  [[nodiscard]] bool AutoMax() const { return Flag(plot::flag_index::kAutoMax); }
  void SetAutoMax(bool v) { SetFlag(plot::flag_index::kAutoMax, v); }
  [[nodiscard]] bool LabelAsDataTime() const { return Flag(plot::flag_index::kLabelAsDateTime); }
  void SetLabelAsDataTime(bool v) { SetFlag(plot::flag_index::kLabelAsDateTime, v); }

  // For the program: set both ends (always ends automatic ranging and repaints fully) and
  // shift the range (frame and field repaint, no new layout).
  void SetMinMax(double min, double max);
  void MoveRange(double dv);

  // For the plot's mouse zoom and pan: remember the range once, restore it once.
  void RememberRange();
  void RestoreRange();
  [[nodiscard]] bool RangeRemembered() const { return remembered_; }

  // Copies everything but the owner and the change handlers; no repaint.
  void Assign(const Tsp_Axis& source);
  void AssignTo(Tsp_Axis& target) const { target.Assign(*this); }

  void GetTickLabel(int i, std::string& text) override;

  // Published properties ("Margin", "Caption", "TicksCount" when not 5, "LineAttr.*",
  // "GridAttr.*", "LabelFormat"), then the scale's "SFlags", "SLinePos", "fMin", "fMax".
  void SaveProperties(plot::PropertyStore& store) const override;
  void LoadProperties(const plot::PropertyStore& store) override;

 protected:
  void FlagChanged(int index) override;

 private:
  void ForgetRange() { remembered_ = false; }
  void RequestFull();

  plot::AxisOwner* owner_ = nullptr;
  int margin_ = plot::kDefaultAxisMargin;
  std::string caption_;
  bool caption_shown_ = false;
  Tsp_LineAttr grid_attr_;
  double remembered_min_ = 0;
  double remembered_max_ = 0;
  bool remembered_ = false;
};

}  // namespace pulse::plot
