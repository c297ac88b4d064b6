// Two measurement cursors A and B on a view: each holds a time; the values
// are read from the view's series at those times. Δt, Δvalue and the rate
// 60/Δt follow from them.
#pragma once

#include <optional>
#include <vector>

namespace pulse::window {

struct CursorPoint {
  double t = 0;      // seconds
  double value = 0;  // in the view's unit
};

struct CursorReadout {
  std::optional<CursorPoint> a;
  std::optional<CursorPoint> b;
  std::optional<double> delta_t;      // B − A, seconds
  std::optional<double> delta_value;  // B − A, in the unit
  std::optional<double> rate_bpm;     // 60/|Δt|; nothing when Δt is 0
};

class MeasureCursors {
 public:
  enum class Which { kA, kB };
  void Place(Which which, double t);
  void Clear();
  [[nodiscard]] std::optional<double> Time(Which which) const;
  // The cursor nearest to `t` within `tolerance` seconds, for a drag handle.
  [[nodiscard]] std::optional<Which> HandleAt(double t, double tolerance) const;

  // Read-out against a series with ascending times; a cursor's value is
  // interpolated linearly between the neighbours, clamped at the ends.
  [[nodiscard]] CursorReadout Read(const std::vector<double>& times,
                                   const std::vector<double>& values) const;

 private:
  std::optional<double> a_;
  std::optional<double> b_;
};

// The value of a series at `t`; nothing for an empty series.
[[nodiscard]] std::optional<double> ValueAt(const std::vector<double>& times,
                                            const std::vector<double>& values, double t);

}  // namespace pulse::window
