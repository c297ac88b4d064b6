#include "plot/scale.h"

#include <algorithm>
#include <cmath>

#include "plot/label_format.h"
#include "plot/property_store.h"

namespace pulse::plot {

namespace {

// Slightly above ln 10 on purpose: a range of exactly 10^n (n >= 1) then falls into the
// decade below and gets 100 scaled units instead of 10, which gives finer ticks.
constexpr double kDecadeDivisor = 2.30258509299405;

// Equal ends closer to zero than this are widened by one unit, others by a tenth.
constexpr double kWidenByOneBelow = 10.0;

int Nearest(double v) {
  return static_cast<int>(std::nearbyint(v));
}

double Frac(double v) {
  return v - std::trunc(v);
}

int ClampTicks(double v) {
  if (!(v > 0)) return 0;
  return v >= plot::kMaxTicks ? plot::kMaxTicks : static_cast<int>(v);
}

// 10^e exactly for the decades a double range can have.
double PowerOfTen(int e) {
  return std::pow(10.0, e);
}

}  // namespace

Tsp_Scale::Tsp_Scale(std::uint32_t flags) : flags_(flags) {
  SetRange(0, 10);
}

bool Tsp_Scale::EvenlySpaced() const {
  return (flags_ & (plot::scale_flags::kNoTicksLabel | plot::scale_flags::kNotAdjusted)) != 0;
}

void Tsp_Scale::SetRange(double a, double b) {
  // A range that cannot be mapped (not finite, or so wide or narrow that its decade
  // overflows) is refused and the previous one kept.
  if (!std::isfinite(a) || !std::isfinite(b)) return;
  double lo = std::min(a, b);
  double hi = std::max(a, b);
  if (lo == hi) {
    const double v = lo;
    if (std::fabs(v) < kWidenByOneBelow) {
      hi = v + 1;
    } else {
      hi = v + std::fabs(v) / 10;
      lo = hi - std::fabs(hi) / 10;
    }
  }
  const double range = hi - lo;
  if (!std::isfinite(range) || !(range > 0)) return;
  const int decade = static_cast<int>(std::floor(std::log(range) / kDecadeDivisor));
  const double factor = decade >= 1 ? 1.0 / PowerOfTen(decade - 1) : PowerOfTen(1 - decade);
  if (!std::isfinite(factor) || factor == 0 || !std::isfinite(lo * factor) ||
      !std::isfinite(hi * factor))
    return;
  min_ = lo;
  max_ = hi;
  range_ = range;
  factor_ = factor;
  scaled_low_ = std::ceil(min_ * factor_);
  scaled_high_ = std::floor(max_ * factor_);
  RecalcMapping();
  RecalcTicks();
}

void Tsp_Scale::SetLinePos(int x, int y, int length) {
  if (x == line_x_ && y == line_y_ && length == line_length_) return;
  line_x_ = x;
  line_y_ = y;
  line_length_ = length == 0 ? 1 : std::abs(length);
  RecalcMapping();
  RecalcTickPixels();
}

void Tsp_Scale::RecalcMapping() {
  if (Inversed()) {
    pixels_per_unit_ = -line_length_ / range_;
    value_origin_ = max_;
  } else {
    pixels_per_unit_ = line_length_ / range_;
    value_origin_ = min_;
  }
  if (IsVertical()) {
    pixels_per_unit_ = -pixels_per_unit_;
    pixel_origin_ = line_y_;
  } else {
    pixel_origin_ = line_x_;
  }
}

int Tsp_Scale::ValueToPixel(double v) const {
  const double p = (v - value_origin_) * pixels_per_unit_ + pixel_origin_;
  if (p > plot::kPixelClamp) return plot::kPixelClamp;
  if (p < -plot::kPixelClamp) return -plot::kPixelClamp;
  // NaN compares false above; it is put far away so that drawing skips it.
  if (std::isnan(p)) return plot::kPixelClamp;
  return Nearest(p);
}

double Tsp_Scale::PixelToValue(double p) const {
  return (p - pixel_origin_) / pixels_per_unit_ + value_origin_;
}

void Tsp_Scale::RecalcTicks() {
  const int n = requested_ticks_;
  tick_count_ = n;
  if (n == 0) {
    RecalcTickPixels();
    return;
  }
  if (EvenlySpaced()) {
    for (int i = 0; i < n; ++i)
      tick_values_[static_cast<std::size_t>(i)] = n == 1 ? 0.0 : static_cast<double>(i) / (n - 1);
  } else {
    const int span = Nearest(scaled_high_ - scaled_low_);
    if (n >= 2) {
      tick_step_ = span / (n - 1);
      if (tick_step_ == 0) tick_step_ = 1;
      tick_count_ = std::min(span / tick_step_ + 1, plot::kMaxTicks);
    } else {
      // One tick; the step still has to be usable as a divisor by a later shift.
      tick_step_ = std::max(span, 1);
      tick_count_ = 1;
    }
    const double start = Inversed() ? scaled_high_ : scaled_low_;
    const double delta = Inversed() ? -tick_step_ : tick_step_;
    for (int i = 0; i < tick_count_; ++i)
      tick_values_[static_cast<std::size_t>(i)] = (start + i * delta) / factor_;
  }
  RecalcTickPixels();
}

void Tsp_Scale::RecalcTickPixels() {
  if (requested_ticks_ == 0) tick_count_ = 0;
  if (EvenlySpaced()) {
    for (int i = 0; i < tick_count_; ++i) {
      const int offset = Nearest(line_length_ * tick_values_[static_cast<std::size_t>(i)]);
      tick_pixels_[static_cast<std::size_t>(i)] =
          static_cast<std::int16_t>(IsVertical() ? pixel_origin_ - offset : pixel_origin_ + offset);
    }
  } else {
    for (int i = 0; i < tick_count_; ++i)
      tick_pixels_[static_cast<std::size_t>(i)] =
          static_cast<std::int16_t>(ValueToPixel(TickValue(i)));
  }
}

double Tsp_Scale::TickValue(int i) const {
  const double t = tick_values_[static_cast<std::size_t>(i)];
  if (!EvenlySpaced()) return t;
  return Inversed() ? max_ - range_ * t : min_ + range_ * t;
}

void Tsp_Scale::ScrollByValue(double dv) {
  Shift(dv, dv * pixels_per_unit_);
}

void Tsp_Scale::ScrollByPixels(double dp) {
  Shift(dp / pixels_per_unit_, dp);
}

void Tsp_Scale::Shift(double dv, double dp) {
  if (dv == 0 || !std::isfinite(dv) || !std::isfinite(min_ + dv + range_)) return;
  const double first_tick = tick_values_[0];  // before the shift
  min_ += dv;
  max_ = min_ + range_;
  RecalcMapping();
  scaled_low_ = std::ceil(min_ * factor_);
  scaled_high_ = std::floor(max_ * factor_);
  const int n = requested_ticks_;
  if (std::fabs(dv) > range_ || n == 0 || tick_count_ == 0) {
    RecalcTicks();
    return;
  }
  if (EvenlySpaced()) {
    // The grid moves with the data: keep its phase, drop ticks that left, add ones that came.
    const double fs = n < 2 ? 1.0 : 1.0 / (n - 1);
    if (IsVertical()) dp = -dp;
    double f = Frac((line_length_ * first_tick - dp) / (line_length_ * fs));
    if (f < 0) f += 1;
    tick_count_ = ClampTicks(std::trunc(1 / fs - f) + 1);
    for (int i = 0; i < tick_count_; ++i) tick_values_[static_cast<std::size_t>(i)] = (i + f) * fs;
  } else {
    // Ticks stay on the same multiples of the step.
    double g = Frac((first_tick * factor_ - value_origin_ * factor_) / tick_step_);
    if (!Inversed()) {
      if (g < 0) g += 1;
      const double start = min_ * factor_ + g * tick_step_;
      tick_count_ = ClampTicks(std::trunc((max_ * factor_ - start) / tick_step_) + 1);
      for (int i = 0; i < tick_count_; ++i)
        tick_values_[static_cast<std::size_t>(i)] = (start + i * tick_step_) / factor_;
    } else {
      if (g > 0) g -= 1;
      const double start = max_ * factor_ + g * tick_step_;
      tick_count_ = ClampTicks(std::trunc((start - min_ * factor_) / tick_step_) + 1);
      for (int i = 0; i < tick_count_; ++i)
        tick_values_[static_cast<std::size_t>(i)] = (start - i * tick_step_) / factor_;
    }
  }
  RecalcTickPixels();
}

void Tsp_Scale::SetFlag(int index, bool value) {
  if (index < 0 || index > 31) return;
  const std::uint32_t bit = 1u << index;
  if (((flags_ & bit) != 0) == value) return;
  flags_ = value ? (flags_ | bit) : (flags_ & ~bit);
  FlagChanged(index);
}

void Tsp_Scale::GetTickLabel(int i, std::string& text) {
  const double v = TickValue(i);
  text = Flag(plot::flag_index::kLabelAsDateTime) ? plot::FormatDateTime(label_format_, v)
                                                  : plot::FormatNumber(label_format_, v);
}

int Tsp_Scale::LabelChars(int i) {
  std::string s;
  GetTickLabel(i, s);
  // Characters, not bytes: a UTF-8 continuation byte starts no character.
  return static_cast<int>(std::count_if(
      s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

int Tsp_Scale::OuterDepth(int char_width, int text_height) {
  int depth = line_attr_.Width();
  if (tick_count_ > 0) {
    const bool labels = !NoTicksLabel();
    if (!IsVertical()) {
      if (labels)
        depth += text_height + plot::kLabelGap;
      else if (TicksLines())
        depth += plot::kTickLength;
    } else {
      if (labels) {
        int chars = 0;
        for (int i = 0; i < tick_count_; ++i) chars = std::max(chars, LabelChars(i));
        depth += chars * char_width + plot::kLabelGap;
      } else if (TicksLines()) {
        depth += plot::kTickLength;
      }
    }
  }
  return depth;
}

int Tsp_Scale::Overhang(int tick, double end_value, int char_width, int text_height) {
  if (tick_count_ == 0 || NoTicksLabel()) return 0;
  const int gap = std::abs(Nearest((end_value - TickValue(tick)) * pixels_per_unit_));
  const int half = IsVertical() ? text_height / 2 : LabelChars(tick) * char_width / 2;
  return std::max(0, half - gap);
}

int Tsp_Scale::StartOverhang(int char_width, int text_height) {
  return Overhang(0, value_origin_, char_width, text_height);
}

int Tsp_Scale::EndOverhang(int char_width, int text_height) {
  return Overhang(tick_count_ - 1, Inversed() ? min_ : max_, char_width, text_height);
}

void Tsp_Scale::SaveProperties(plot::PropertyStore& store) const {
  store.SetInt("SFlags", flags_);
  store.SetIntList("SLinePos", {line_x_, line_y_, line_length_});
  if (min_ != 0) store.SetDouble("fMin", min_);
  store.SetDouble("fMax", max_);
}

void Tsp_Scale::LoadProperties(const plot::PropertyStore& store) {
  if (auto v = store.GetInt("SFlags")) flags_ = static_cast<std::uint32_t>(*v);
  if (auto v = store.GetIntList("SLinePos"); v && v->size() == 3) {
    line_x_ = static_cast<int>((*v)[0]);
    line_y_ = static_cast<int>((*v)[1]);
    // A damaged length would make the mapping divide by zero; repair it as SetLinePos does.
    const int length = static_cast<int>((*v)[2]);
    line_length_ = length == 0 ? 1 : std::abs(length);
  }
  double lo = 0;
  if (auto v = store.GetDouble("fMin")) lo = *v;
  double hi = max_;
  if (auto v = store.GetDouble("fMax")) hi = *v;
  // Recompute from the stored ends; this also refreshes everything the flags decide.
  SetRange(lo, hi);
  RecalcMapping();
  RecalcTicks();
}

}  // namespace pulse::plot
