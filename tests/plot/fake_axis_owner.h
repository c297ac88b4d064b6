// Stands in for the XY plot: records the repaint requests an axis makes.
#pragma once

#include <string>
#include <vector>

#include "plot/axis.h"
#include "plot/axis_owner.h"

namespace pulse::test {

class FakeAxisOwner : public plot::AxisOwner {
 public:
  void Invalidate() override { requests.push_back("full"); }
  void InvalidateParts(plot::Part parts) override {
    std::string r;
    if (Has(parts, plot::Part::kLayout)) r += "layout+";
    if (Has(parts, plot::Part::kFrame)) r += "frame+";
    if (Has(parts, plot::Part::kField)) r += "field";
    requests.push_back(r);
  }
  bool AutoScale(plot::Tsp_Axis& axis) override {
    autoscaled.push_back(&axis);
    if (autoscale_to_data) axis.SetRange(data_min, data_max);
    return autoscale_to_data;
  }
  const plot::TGetTickLabelEvent& TickLabelEvent() const override { return on_label; }

  std::vector<std::string> requests;
  std::vector<plot::Tsp_Axis*> autoscaled;
  bool autoscale_to_data = false;
  double data_min = 0;
  double data_max = 1;
  plot::TGetTickLabelEvent on_label;
};

}  // namespace pulse::test
