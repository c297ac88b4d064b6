// The measurement cursors A and B of the three views: placed at a pointer
// position by shortcut or context menu, dragged by their handles, and read
// against the wave each view draws (live, frozen after a stop, or played).
// The read-out names the view last used.
#pragma once

#include "form/tr.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "form/form_state.h"
#include "window/measure_cursors.h"
#include "window/view_plot.h"

namespace pulse::window {

// What draws a view's cursors (the program: a marker on the plot).
class ICursorMarks {
 public:
  virtual ~ICursorMarks() = default;
  virtual void ShowCursors(std::optional<double> a, std::optional<double> b) = 0;
};

class ViewCursors {
 public:
  static constexpr int kViewCount = 3;
  // A press this close to a cursor, in pixels, grabs its handle.
  static constexpr int kGrabPixels = 5;
  static constexpr const char* kPlaceACaption = form::TrNoop("ViewCursors", "放置光标 A");
  static constexpr const char* kPlaceBCaption = form::TrNoop("ViewCursors", "放置光标 B");
  static constexpr const char* kClearCaption = form::TrNoop("ViewCursors", "清除光标");

  ViewCursors(const form::TFormState& state, std::array<IViewPlot*, kViewCount> plots);
  // Marks of views 1..3 (nullptr: none); they must outlive this object.
  void SetMarks(const std::array<ICursorMarks*, kViewCount>& marks);

  // `view` is 1..3, `x` the pointer's pixel in the plot control.
  void Place(int view, MeasureCursors::Which which, int x);
  // Places at time `t` in seconds (headless pictures).
  void PlaceAtTime(int view, MeasureCursors::Which which, double t);
  void Clear(int view);
  // A press at pixel x: grabs the nearest handle within kGrabPixels.
  [[nodiscard]] bool BeginDrag(int view, int x);
  void DragTo(int x);
  void EndDrag();
  [[nodiscard]] bool Dragging() const { return drag_.has_value(); }

  // Reads the active view's cursors against its wave again (after new data).
  void Refresh();
  [[nodiscard]] const CursorReadout& Readout() const { return readout_; }
  // "A 1.250 s 3.21  B 2.083 s 4.41  Δt 0.833 s  Δ 1.20 kPa  72.0 bpm  (视图1)";
  // empty without cursors.
  [[nodiscard]] const std::string& Text() const { return text_; }
  [[nodiscard]] int ActiveView() const { return active_; }
  [[nodiscard]] const MeasureCursors& Cursors(int view) const {
    return cursors_.at(static_cast<size_t>(view - 1));
  }
  // Bumped whenever the text changes.
  [[nodiscard]] uint64_t Revision() const { return revision_; }

 private:
  struct Drag {
    int view;
    MeasureCursors::Which which;
  };
  [[nodiscard]] bool Valid(int view) const;
  [[nodiscard]] double TimeAt(int view, int x) const;
  void Moved(int view);

  const form::TFormState& state_;
  std::array<IViewPlot*, kViewCount> plots_;
  std::array<ICursorMarks*, kViewCount> marks_{};
  std::array<MeasureCursors, kViewCount> cursors_{};
  std::optional<Drag> drag_;
  int active_ = 0;  // 1..3, 0 before the first cursor
  CursorReadout readout_;
  std::string text_;
  uint64_t revision_ = 0;
};

// The read-out text of `r` for view `view` with values in `unit`.
[[nodiscard]] std::string CursorReadoutText(int view, const CursorReadout& r,
                                            const std::string& unit);

}  // namespace pulse::window
