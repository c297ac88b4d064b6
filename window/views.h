// The three waveform views of the main window: how samples enter them (sweep
// mode for live data, scroll mode for replay), their axis ranges, the zoom and
// pan buttons, the reset button, one view maximised by double-click, the row
// heights and the mouse read-out. Plots are reached through IViewPlot; texts
// and visibility go into the control models.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/form_views.h"
#include "window/view_plot.h"

namespace pulse::window {

// Heights of the three view rows, for the widget layer to apply; a hidden
// row has height 0.
struct ViewRowsLayout {
  std::array<int, form::kViewCount> row_height{};
};

class WaveViews : public protocol::IFormViews {
 public:
  static constexpr int kViewCount = form::kViewCount;
  // Time window at start and after a reset, in seconds, one tick a second.
  static constexpr double kDefaultTimeSpan = 20.0;
  static constexpr int kDefaultTimeTicks = 21;
  // The axes keep no more ticks than this.
  static constexpr int kMaxTicks = 21;
  // Value ranges in units of UnitFactor: ±15 for waves, 0..400 for the
  // static pressure curve of view 1.
  static constexpr double kWaveHalfRange = 15.0;
  static constexpr double kStaticCurveMax = 400.0;

  // `plots` are views 1, 2, 3; they must outlive this object.
  WaveViews(form::TFormState& state, form::TMainControls& controls,
            std::array<IViewPlot*, kViewCount> plots);

  // Update operations (the parser uses sweep mode, the replay scroll mode).
  // t_count is the sample counter after its increment; y is drawn, s shown.
  void ShowFrame3(double t_count, double y1, double s1, double y2, double s2, double y3,
                  double s3) override;
  void ShowChannel1(bool scroll, double t_count, double y, double s) override;
  void ShowChannel2(double t_count, double y, double s) override;
  void ShowChannel3(double t_count, double y, double s) override;

  void ApplyYRanges();
  void ResetAxes() override;
  // Sets the caption of the start/stop button.
  void ShowSamplingState(bool on) override;
  // Sample counters to 0 and the three series emptied (reset and replay start).
  void ClearViews();

  // Layout. The rows' height is the space the three rows share (above the
  // time strip); FormResize stores it and shows all three views again.
  void FormResize(int rows_height);
  void ShowAllViews();
  void ShowSingleView(int view);  // view 1..3
  [[nodiscard]] const ViewRowsLayout& RowsLayout() const { return layout_; }

  // Time strip buttons, all acting on the three views alike.
  void Button1Click();       // "->"
  void Button3Click();       // "<-"
  void Bt_ZoomX1Click();     // time "-"
  void Bt_ZoomX2Click();     // time "+"
  void SpeedButton1Click();  // reset

  // Value buttons of view 1..3 (Bt_ZoomY2/22/222 and Bt_ZoomY1/11/111).
  void Bt_ZoomY2Click(int view);  // value "+"
  void Bt_ZoomY1Click(int view);  // value "-"

  void XYPlotDblClick(int view);
  // Any button; x and y are the pointer's pixel in the plot control.
  void XYPlotMouseUp(int view, int x, int y);

  void cb_unit1Change();
  // The hidden unit lists of views 2 and 3 change nothing.
  void cb_unit2Change() {}
  void cb_unit3Change() {}
  void ch_jyClick();

 private:
  [[nodiscard]] IViewPlot& Plot(int index) const { return *plots_[static_cast<std::size_t>(index)]; }
  [[nodiscard]] form::TPanel& Readout(int index);
  [[nodiscard]] form::TPanel& Row(int index);
  // Time of sample t_count, or nothing while the sample rate is unusable.
  [[nodiscard]] std::optional<double> SampleTime(double t_count) const;
  void ApplyYRange(int index);
  void SetTimeRangeAll(double min, double max);
  void SetTimeTicksAll(double count);
  // Scroll-mode update of view 2 or 3: move the time axis, then restart.
  void ShowScrolledChannel(int index, int32_t& counter, double t_count, double y, double s);

  form::TFormState& state_;
  form::TMainControls& controls_;
  std::array<IViewPlot*, kViewCount> plots_;
  ViewRowsLayout layout_;
  int rows_height_ = 0;
};

}  // namespace pulse::window
