// Number rules of the views: rounding to the nearest integer with ties to
// even, the sweep thinning step, and the mouse read-out text.
#pragma once

#include <cstdint>
#include <string>

namespace pulse::window {

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -1.5 -> -2). NaN gives 0
// and values beyond the 64-bit range are clamped, so callers never see UB.
[[nodiscard]] std::int64_t RoundHalfEven(double value);

// One point in `step(span)` samples is drawn in sweep mode, so a wide time
// window does not draw more points than the screen can show:
// ((span + 5) * 4) div 20, at least 1 (20 s -> 5, 10 s -> 3, 1 s -> 1).
[[nodiscard]] std::int64_t SweepStep(std::int64_t span_seconds);

// The coordinate read-out of a view: " X=%3.2f  Y=%3.2f".
[[nodiscard]] std::string FormatReadout(double x, double y);

}  // namespace pulse::window
