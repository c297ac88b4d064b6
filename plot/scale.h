// A scale maps a value range (Min..Max) onto a line of pixels, chooses its ticks, formats
// their labels, says how much room it needs beside the plotting field and draws its line
// and ticks. The mapping and tick math do not paint; only DrawLine and DrawTicks need a
// canvas.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "plot/line_attr.h"

namespace pulse::plot {

class Canvas;
class PropertyStore;

// Flag bits of a scale (bit 2 and the bits above 9 carry no meaning).
namespace scale_flags {
inline constexpr std::uint32_t kVertical = 1;  // y grows downward while values grow upward
inline constexpr std::uint32_t kInversed = 2;  // line starts at Max, ends at Min
inline constexpr std::uint32_t kNoTickLines = 8;
inline constexpr std::uint32_t kNoTicksLabel = 16;  // also makes ticks evenly spaced
inline constexpr std::uint32_t kFarSide = 32;       // ticks toward +x (vertical) / -y
inline constexpr std::uint32_t kAutoMin = 64;
inline constexpr std::uint32_t kAutoMax = 128;
inline constexpr std::uint32_t kLabelAsDateTime = 256;
inline constexpr std::uint32_t kNotAdjusted = 512;  // evenly spaced ticks
}  // namespace scale_flags

// Bit indices for Tsp_Scale::SetFlag and FlagChanged.
namespace flag_index {
inline constexpr int kVertical = 0;
inline constexpr int kInversed = 1;
inline constexpr int kNoTickLines = 3;
inline constexpr int kNoTicksLabel = 4;
inline constexpr int kFarSide = 5;
inline constexpr int kAutoMin = 6;
inline constexpr int kAutoMax = 7;
inline constexpr int kLabelAsDateTime = 8;
inline constexpr int kNotAdjusted = 9;
}  // namespace flag_index

// A scale never holds more ticks than this; every count is clamped to it.
inline constexpr int kMaxTicks = 21;
// Tick marks are this long; labels start this far from the line's outer pixel.
inline constexpr int kTickLength = 4;
inline constexpr int kLabelGap = 5;
// Pixel results are clamped to +-16383 so that far values never wrap the 16-bit drawing range.
inline constexpr int kPixelClamp = 16383;

class Tsp_Scale {
 public:
  explicit Tsp_Scale(std::uint32_t flags);
  virtual ~Tsp_Scale() = default;
  Tsp_Scale(const Tsp_Scale&) = delete;
  Tsp_Scale& operator=(const Tsp_Scale&) = delete;

  // Range from two values in either order; recomputes factor, mapping, ticks, tick pixels.
  void SetRange(double a, double b);
  // Moves the line; a length of 0 becomes 1, a negative one its absolute value.
  void SetLinePos(int x, int y, int length);
  // Shift the range keeping factor and step; ticks stay on their grid values.
  void ScrollByValue(double dv);
  void ScrollByPixels(double dp);

  [[nodiscard]] int ValueToPixel(double v) const;
  [[nodiscard]] double PixelToValue(double p) const;

  [[nodiscard]] double Min() const { return min_; }
  [[nodiscard]] double Max() const { return max_; }
  [[nodiscard]] double Range() const { return range_; }

  // Number of ticks currently computed, and the tick values and pixels, 0 <= i < count.
  [[nodiscard]] int TicksCount() const { return tick_count_; }
  [[nodiscard]] int RequestedTicksCount() const { return requested_ticks_; }
  [[nodiscard]] double TickValue(int i) const;
  [[nodiscard]] std::int16_t TickPixel(int i) const { return tick_pixels_[static_cast<std::size_t>(i)]; }

  // Label text of tick i.
  virtual void GetTickLabel(int i, std::string& text);

  [[nodiscard]] std::uint32_t Flags() const { return flags_; }
  [[nodiscard]] bool Flag(int index) const { return (flags_ >> index) & 1u; }
  // Sets or clears bit `index`; when the bit changed calls FlagChanged(index).
  void SetFlag(int index, bool value);

  [[nodiscard]] bool Inversed() const { return Flag(plot::flag_index::kInversed); }
  void SetInversed(bool v) { SetFlag(plot::flag_index::kInversed, v); }
  [[nodiscard]] bool NoTicksLabel() const { return Flag(plot::flag_index::kNoTicksLabel); }
  void SetNoTicksLabel(bool v) { SetFlag(plot::flag_index::kNoTicksLabel, v); }
  [[nodiscard]] bool TicksAdjusted() const { return !Flag(plot::flag_index::kNotAdjusted); }
  void SetTicksAdjusted(bool v) { SetFlag(plot::flag_index::kNotAdjusted, !v); }
  [[nodiscard]] bool TicksLines() const { return !Flag(plot::flag_index::kNoTickLines); }
  void SetTicksLines(bool v) { SetFlag(plot::flag_index::kNoTickLines, !v); }
  [[nodiscard]] bool IsVertical() const { return Flag(plot::flag_index::kVertical); }
  [[nodiscard]] bool IsFarSide() const { return Flag(plot::flag_index::kFarSide); }
  // Evenly spaced mode: no labels or ticks not adjusted.
  [[nodiscard]] bool EvenlySpaced() const;

  [[nodiscard]] const std::string& LabelFormat() const { return label_format_; }
  [[nodiscard]] Tsp_LineAttr& LineAttr() { return line_attr_; }
  [[nodiscard]] const Tsp_LineAttr& LineAttr() const { return line_attr_; }

  [[nodiscard]] int LineX() const { return line_x_; }
  [[nodiscard]] int LineY() const { return line_y_; }
  [[nodiscard]] int LineLength() const { return line_length_; }

  // Computed items, exposed for the plot and for checks.
  [[nodiscard]] double ScaleFactor() const { return factor_; }
  [[nodiscard]] double ScaledLow() const { return scaled_low_; }
  [[nodiscard]] double ScaledHigh() const { return scaled_high_; }
  [[nodiscard]] int TickStep() const { return tick_step_; }
  [[nodiscard]] double PixelsPerUnit() const { return pixels_per_unit_; }
  [[nodiscard]] double ValueOrigin() const { return value_origin_; }

  // Room needed outside the field, in pixels (never negative).
  [[nodiscard]] int OuterDepth(int char_width, int text_height);
  [[nodiscard]] int StartOverhang(int char_width, int text_height);
  [[nodiscard]] int EndOverhang(int char_width, int text_height);

  // Draws w parallel 1-pixel lines (w = LineAttr width), when LineAttr is visible.
  void DrawLine(plot::Canvas& canvas, int ext_start, int ext_end) const;
  // Tick marks with the current pen, labels with the current font.
  void DrawTicks(plot::Canvas& canvas);

  // Persisted form: "SFlags", "SLinePos", "fMin" (when Min != 0), "fMax".
  virtual void SaveProperties(plot::PropertyStore& store) const;
  virtual void LoadProperties(const plot::PropertyStore& store);

 protected:
  virtual void FlagChanged(int /*index*/) {}

  // Raw stores for subclasses (no recomputation, no hook).
  void SetFlagsRaw(std::uint32_t flags) { flags_ = flags; }
  void SetLabelFormatRaw(const std::string& f) { label_format_ = f; }
  // Clamped to 0..kMaxTicks here, so no caller can make the tick arrays overflow.
  void SetRequestedTicksRaw(int n) { requested_ticks_ = std::clamp(n, 0, plot::kMaxTicks); }
  void SetLinePosRaw(int x, int y, int length) {
    line_x_ = x;
    line_y_ = y;
    line_length_ = length;
  }
  // Recomputations.
  void RecalcMapping();
  void RecalcTicks();
  void RecalcTickPixels();

 private:
  void Shift(double dv, double dp);
  [[nodiscard]] int LabelChars(int i);
  [[nodiscard]] int Overhang(int tick, double end_value, int char_width, int text_height);

  double min_ = 0;
  double max_ = 10;
  double range_ = 10;
  std::uint32_t flags_ = 0;
  int line_x_ = 10;
  int line_y_ = 30;
  int line_length_ = 25;
  int requested_ticks_ = 5;
  int tick_count_ = 0;
  std::string label_format_ = "###0.##";
  Tsp_LineAttr line_attr_;
  double factor_ = 1;
  double scaled_low_ = 0;
  double scaled_high_ = 0;
  int tick_step_ = 1;
  double value_origin_ = 0;
  int pixel_origin_ = 0;
  double pixels_per_unit_ = 1;
  std::array<double, plot::kMaxTicks> tick_values_{};
  std::array<std::int16_t, plot::kMaxTicks> tick_pixels_{};
};

}  // namespace pulse::plot
