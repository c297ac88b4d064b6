// IBeatMarks over the plot library: a beat marker attached to one view's plot.
#pragma once

#include "plot/beat_marker.h"
#include "window/beat_marks.h"

namespace pulse::window {

class PlotBeatMarks : public IBeatMarks {
 public:
  // Attaches the marks to `plot`, which must outlive this object.
  explicit PlotBeatMarks(plot::Tsp_XYPlot& plot) { marker_.SetPlot(&plot); }

  void AddBeat(double onset_x, double onset_y, double peak_x, double peak_y) override {
    marker_.Add(onset_x, onset_y, peak_x, peak_y);
  }
  void ClearBeats() override { marker_.Clear(); }
  void ShowBeats(bool on) override { marker_.SetVisible(on); }

  [[nodiscard]] const plot::BeatMarker& Marker() const { return marker_; }

 private:
  plot::BeatMarker marker_;
};

}  // namespace pulse::window
