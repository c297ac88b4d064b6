// The three waveform views' plots as the main window stores them: plot,
// axes, white line series and dotted zero-line marker, plus an owner of one
// view's objects that hands the views their IViewPlot.
#pragma once

#include <array>
#include <memory>

#include "plot/line_marker.h"
#include "plot/xy_line.h"
#include "plot/xy_plot.h"
#include "window/views.h"
#include "window/xy_plot_view.h"

namespace pulse::window {

// Size of each view's plot in the main window at its stored size.
inline constexpr int kViewPlotWidth = 781;
inline constexpr int kViewPlotHeight = 168;

// Stored option sets ("SFlags") of the four axes of every view.
inline constexpr std::uint32_t kViewLeftAxisFlags = 25;     // vertical, no tick marks, no labels
inline constexpr std::uint32_t kViewRightAxisFlags = 33;    // vertical, far side
inline constexpr std::uint32_t kViewBottomAxisFlags = 512;  // evenly spaced ticks
inline constexpr std::uint32_t kViewTopAxisFlags = 56;      // far side, no tick marks, no labels

// Caption of every left axis, whatever unit is chosen.
inline constexpr const char* kViewLeftCaption = "mmHO2";

// Applies the stored properties of view 1, 2 or 3 (only the right axis line
// differs) to its plot, and attaches the series and the marker to the plot.
void ConfigureViewPlot(int view, plot::Tsp_XYPlot& plot, plot::Tsp_XYLine& line,
                       plot::Tsp_LineMarker& marker);

// Everything one view draws with: the plot, its series and zero-line marker,
// configured on construction, and the adapter the views drive.
class ViewPlotSet {
 public:
  explicit ViewPlotSet(int view);
  ViewPlotSet(const ViewPlotSet&) = delete;
  ViewPlotSet& operator=(const ViewPlotSet&) = delete;

  [[nodiscard]] plot::Tsp_XYPlot& Plot() { return plot_; }
  [[nodiscard]] plot::Tsp_XYLine& Line() { return line_; }
  [[nodiscard]] plot::Tsp_LineMarker& Marker() { return marker_; }
  [[nodiscard]] XYPlotView& View() { return view_; }

 private:
  // Declared before the series and marker so that it outlives them.
  plot::Tsp_XYPlot plot_;
  plot::Tsp_XYLine line_;
  plot::Tsp_LineMarker marker_;
  XYPlotView view_;
};

// The main window's three views, 1..3 at indices 0..2.
using ViewPlotSets = std::array<std::unique_ptr<ViewPlotSet>, WaveViews::kViewCount>;
[[nodiscard]] ViewPlotSets MakeViewPlotSets();
// What TForm1 takes: the adapters of the three views.
[[nodiscard]] std::array<IViewPlot*, WaveViews::kViewCount> ViewsOf(const ViewPlotSets& sets);

}  // namespace pulse::window
