// One waveform view's plot objects with the properties the main window
// stores for them: the plot, its white line series, its dotted zero-line
// marker, and the IViewPlot adapter the views drive.
#pragma once

#include <memory>

#include "plot/line_marker.h"
#include "plot/xy_line.h"
#include "plot/xy_plot.h"
#include "window/xy_plot_view.h"

namespace pulse::window {

struct ViewPlotSet {
  std::unique_ptr<Tsp_XYPlot> Plot;
  std::unique_ptr<Tsp_XYLine> Line;          // sp_XYLine1..3
  std::unique_ptr<Tsp_LineMarker> Marker;    // sp_LineMarker1..3
  std::unique_ptr<XYPlotView> View;          // what WaveViews drives
};

// Creates and configures the objects of view 1, 2 or 3 (the right axis line
// differs per view).
void SetUpViewPlot(ViewPlotSet& set, int view);

}  // namespace pulse::window
