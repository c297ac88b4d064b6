// The beat marks of one view, drawn over its wave. The live analysis places
// them in the view's own coordinates: time on the bottom axis, value on the
// left one. The program supplies marks on the plot, the tests a fake.
#pragma once

namespace pulse::window {

class IBeatMarks {
 public:
  virtual ~IBeatMarks() = default;
  // One beat: its onset (foot) and its systolic peak.
  virtual void AddBeat(double onset_x, double onset_y, double peak_x, double peak_y) = 0;
  // The view's wave was cleared; the marks on it go too.
  virtual void ClearBeats() = 0;
  virtual void ShowBeats(bool on) = 0;
};

}  // namespace pulse::window
