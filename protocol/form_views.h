// The window operations the reply handler and the replay call into. The window
// implements them; tests record the calls.
#pragma once

#include <string>

#include "form/tr.h"

namespace pulse::protocol {

class IFormViews {
 public:
  virtual ~IFormViews() = default;
  // One live sample of all three channels (sweep mode). y: plotted values,
  // s: static values for the read-outs, t_count: SampleCount1 after counting.
  virtual void ShowFrame3(double t_count, double y1, double s1, double y2, double s2, double y3,
                          double s3) = 0;
  // One sample of channel 1, sweep (live) or scroll (replay) mode.
  virtual void ShowChannel1(bool scroll, double t_count, double y, double s) = 0;
  // One replayed sample of channel 2 or 3 (scroll mode).
  virtual void ShowChannel2(double t_count, double y, double s) = 0;
  virtual void ShowChannel3(double t_count, double y, double s) = 0;
  // All time axes back to 0..20 s and the value axes to the unit's range.
  virtual void ResetAxes() = 0;
  // Sampling switched on or off: the start button's caption follows.
  virtual void ShowSamplingState(bool on) = 0;
};

// Caption of the start/stop button for a sampling state.
[[nodiscard]] inline std::string SamplingStateCaption(bool on) {
  return on ? form::Tr("FormViews", "停止采样") : form::Tr("FormViews", "开始采样");
}

}  // namespace pulse::protocol
