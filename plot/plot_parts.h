// The parts of a plot that go stale separately: the layout (axis sizes and
// the field rectangle), the frame (axes and grid) and the field (the data
// drawn over the frame).
#pragma once

#include <cstdint>

namespace pulse::plot {

enum class Part : uint8_t {
  kLayout = 1U << 0U,
  kFrame = 1U << 1U,
  kField = 1U << 2U,
};

[[nodiscard]] constexpr Part operator|(Part a, Part b) {
  return static_cast<Part>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}

// Whether `parts` names `part`.
[[nodiscard]] constexpr bool Has(Part parts, Part part) {
  return (static_cast<uint8_t>(parts) & static_cast<uint8_t>(part)) != 0;
}

}  // namespace pulse::plot
