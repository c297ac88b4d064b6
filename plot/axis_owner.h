// What an axis needs from the plot that owns it: repaint requests, automatic ranging and the
// plot's tick label event. The plot implements it; tests use a recording double.
#pragma once

#include <functional>
#include <string>

#include "plot/plot_parts.h"

namespace pulse::plot {

class Tsp_Axis;

// May replace the text LS of tick LabelNum (value LabelVal) of axis Sender. Called for every
// measurement and every drawing of a label, so it must not depend on how often it runs.
using TGetTickLabelEvent =
    std::function<void(Tsp_Axis& Sender, int LabelNum, double LabelVal, std::string& LS)>;

class AxisOwner {
 public:
  virtual ~AxisOwner() = default;
  // Full repaint: new layout, frame and field. Marks stale and asks for a paint; never paints.
  virtual void Invalidate() = 0;
  // Marks the named parts stale and asks for a paint.
  virtual void InvalidateParts(Part parts) = 0;
  // Fits the axis to the data of its series when AutoMin or AutoMax is on; true when it did.
  [[nodiscard]] virtual bool AutoScale(Tsp_Axis& axis) = 0;
  // The plot's OnGetTickLabel handler (empty when none is set).
  [[nodiscard]] virtual const TGetTickLabelEvent& TickLabelEvent() const = 0;
};

}  // namespace pulse::plot
