// Onset and peak marks of the latest beats, drawn over a plot's wave.
#pragma once

#include <array>
#include <cstddef>

#include "plot/plot_marker.h"

namespace pulse::plot {

// A bounded ring of beats: adding one is O(1) and a field render draws at
// most kCapacity of them, however long the wave runs.
class BeatMarker : public Tsp_PlotMarker {
 public:
  // More beats than a 20 s view holds at the fastest pulse the analysis follows.
  static constexpr std::size_t kCapacity = 96;
  // Half the size of a mark, in pixels.
  static constexpr int kHalfSize = 3;

  // Visible, drawn after the series so the marks lie over the wave.
  BeatMarker();

  void Add(double onset_x, double onset_y, double peak_x, double peak_y);
  void Clear();
  [[nodiscard]] std::size_t Count() const { return count_; }

  // Onsets as yellow squares, peaks as aqua circles; marks outside the field are left out.
  void Draw() override;

 private:
  struct Beat {
    double onset_x, onset_y, peak_x, peak_y;
  };
  std::array<Beat, kCapacity> beats_{};
  std::size_t head_ = 0;  // the oldest beat
  std::size_t count_ = 0;
};

}  // namespace pulse::plot
