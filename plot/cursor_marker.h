// The measurement cursors A and B of a plot: a vertical line across the field
// for each, with a labelled handle at its top to drag it by. Drawn through the
// plot's canvas, so they appear in prints and the print preview too.
#pragma once

#include <optional>

#include "plot/colors.h"
#include "plot/plot_marker.h"

namespace pulse::plot {

class CursorMarker : public Tsp_PlotMarker {
 public:
  // The handle's size in pixels: wide enough to grab, small enough to leave the wave seen.
  static constexpr int kHandleWidth = 11;
  static constexpr int kHandleHeight = 13;

  // Visible, drawn after the series so the lines lie over the wave.
  CursorMarker();

  void SetCursors(std::optional<double> a, std::optional<double> b);
  [[nodiscard]] std::optional<double> A() const { return a_; }
  [[nodiscard]] std::optional<double> B() const { return b_; }

  // A in white, B in fuchsia; a cursor outside the field is left out.
  void Draw() override;

 private:
  void DrawOne(double x, TColor color, const char* label);

  std::optional<double> a_;
  std::optional<double> b_;
};

}  // namespace pulse::plot
