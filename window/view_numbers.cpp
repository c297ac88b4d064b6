#include "window/view_numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "form/tr.h"
#include "protocol/units.h"

namespace pulse::window {

std::int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  // 2^63 as a double; anything at or beyond it does not fit.
  constexpr double kLimit = 9223372036854775808.0;
  if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  double rounded = std::round(value);  // halves away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5) {
    rounded = 2.0 * std::round(value / 2.0);  // halves to the even neighbour
  }
  return static_cast<std::int64_t>(rounded);
}

std::int64_t SweepStep(std::int64_t span_seconds) {
  // The counter test "multiple of step" needs a positive step; a step that
  // comes out 0 or negative means "every sample", as 1 does.
  // No axis is that wide; the clamp only keeps the arithmetic from overflowing.
  constexpr std::int64_t kSpanLimit = std::int64_t{1} << 40;
  const std::int64_t span = std::clamp(span_seconds, -kSpanLimit, kSpanLimit);
  const std::int64_t step = ((span + 5) * 4) / 20;
  return step > 0 ? step : 1;
}

std::string FormatReadout(double x, double y) {
  // Width 3 never pads: "0.00" is already four characters.
  return form::Format(form::Tr("ViewNumbers", " X=%1  Y=%2"),
                      {protocol::FormatFixed2(x), protocol::FormatFixed2(y)});
}

}  // namespace pulse::window
