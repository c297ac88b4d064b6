#include "window/views.h"

#include <algorithm>
#include <cmath>

#include "protocol/units.h"
#include "window/view_numbers.h"

namespace pulse::window {
namespace {

constexpr ViewAxis kTime = ViewAxis::kTime;
constexpr ViewAxis kLeft = ViewAxis::kLeft;
constexpr ViewAxis kRight = ViewAxis::kRight;

// Time buttons keep the window within 0..20 s and at least 1 s wide.
constexpr double kTimeLimit = 20.0;
constexpr double kMinTimeSpan = 1.0;
constexpr double kTimeStep = 1.0;
// Value zoom: coarse steps of 10 for large-valued units while the range
// reaches 20 or more, fine steps of 1 otherwise; zoom in stops at a span of 2
// and zoom out at the default span of 30 x UnitFactor.
constexpr double kCoarseFactor = 10.0;
constexpr double kCoarseFrom = 20.0;
constexpr double kCoarseValueStep = 10.0;
constexpr double kFineValueStep = 1.0;
constexpr double kMinValueSpan = 2.0;
constexpr double kMaxValueSpanFactor = 30.0;

double Rounded(double v) {
  return static_cast<double>(RoundHalfEven(v));
}

}  // namespace

WaveViews::WaveViews(form::TFormState& state, form::TMainControls& controls,
                     std::array<IViewPlot*, kViewCount> plots)
    : state_(state), controls_(controls), plots_(plots) {}

form::TPanel& WaveViews::Readout(int index) {
  switch (index) {
    case 0:
      return controls_.P_jy1;
    case 1:
      return controls_.P_jy2;
    default:
      return controls_.P_jy3;
  }
}

form::TPanel& WaveViews::Row(int index) {
  switch (index) {
    case 0:
      return controls_.P_01;
    case 1:
      return controls_.P_02;
    default:
      return controls_.P_03;
  }
}

std::optional<double> WaveViews::SampleTime(double t_count) const {
  // A frequency acknowledgement may carry 0; a sample then has no time, so it
  // is shown in the read-out but not drawn, and no view restarts or scrolls.
  if (state_.SampleRate <= 0) return std::nullopt;
  return t_count / static_cast<double>(state_.SampleRate);
}

void WaveViews::ShowFrame3(double t_count, double y1, double s1, double y2, double s2, double y3,
                           double s3) {
  IViewPlot& view1 = Plot(0);
  const double max = view1.AxisMax(kTime);
  const std::int64_t span = RoundHalfEven(max);
  controls_.P_jy1.Caption = protocol::FormatFixed2(s1);
  Plot(1).SetAxisMax(kTime, max);
  controls_.P_jy2.Caption = protocol::FormatFixed2(s2);
  Plot(2).SetAxisMax(kTime, max);
  controls_.P_jy3.Caption = protocol::FormatFixed2(s3);

  const std::optional<double> t = SampleTime(t_count);
  if (!t) return;
  if (state_.SampleCount1 % SweepStep(span) == 0) {
    view1.AddPoint(*t, y1);
    Plot(1).AddPoint(*t, y2);
    Plot(2).AddPoint(*t, y3);
  }
  // Sweep restart: the trace starts again at the left. The receive buffer is
  // left alone, so the frame that follows is not lost.
  if (*t >= view1.AxisMax(kTime)) {
    for (int k = 0; k < kViewCount; ++k) Plot(k).ClearSeries();
    state_.SampleCount1 = 0;
  }
}

void WaveViews::ShowChannel1(bool scroll, double t_count, double y, double s) {
  IViewPlot& view1 = Plot(0);
  const std::int64_t span = RoundHalfEven(view1.AxisMax(kTime));
  controls_.P_jy1.Caption = protocol::FormatFixed2(s);
  const std::optional<double> t = SampleTime(t_count);
  if (!t) return;
  if (scroll) {
    view1.AddPoint(*t, y);
    const double max = view1.AxisMax(kTime);
    if (*t >= max) view1.MoveAxisRange(kTime, *t - max);
    return;
  }
  if (state_.SampleCount1 % SweepStep(span) == 0) view1.AddPoint(*t, y);
  if (*t >= view1.AxisMax(kTime)) {
    view1.ClearSeries();
    state_.SampleCount1 = 0;
  }
}

void WaveViews::ShowScrolledChannel(int index, int32_t& counter, double t_count, double y,
                                    double s) {
  IViewPlot& view = Plot(index);
  Readout(index).Caption = protocol::FormatFixed2(s);
  const std::optional<double> t = SampleTime(t_count);
  if (!t) return;
  view.AddPoint(*t, y);
  const double max = view.AxisMax(kTime);
  if (*t >= max) view.MoveAxisRange(kTime, *t - max);
  // Views 2 and 3 restart once their time reaches the right end (read again
  // after the move), unlike view 1, which keeps scrolling.
  if (*t >= view.AxisMax(kTime)) {
    view.ClearSeries();
    counter = 0;
  }
}

void WaveViews::ShowChannel2(double t_count, double y, double s) {
  ShowScrolledChannel(1, state_.SampleCount2, t_count, y, s);
}

void WaveViews::ShowChannel3(double t_count, double y, double s) {
  ShowScrolledChannel(2, state_.SampleCount3, t_count, y, s);
}

void WaveViews::ApplyYRange(int index) {
  const double f = state_.UnitFactor;
  double min = -kWaveHalfRange * f;
  double max = kWaveHalfRange * f;
  if (index == 0 && controls_.ch_jy.checked) {
    min = 0.0;
    max = kStaticCurveMax * f;
  }
  Plot(index).SetAxisMinMax(kLeft, min, max);
  Plot(index).SetAxisMinMax(kRight, min, max);
}

void WaveViews::ApplyYRanges() {
  for (int k = 0; k < kViewCount; ++k) ApplyYRange(k);
}

void WaveViews::ResetAxes() {
  for (int k = 0; k < kViewCount; ++k) {
    Plot(k).SetAxisMinMax(kTime, 0.0, kDefaultTimeSpan);
    Plot(k).SetAxisTicksCount(kTime, kDefaultTimeTicks);
    ApplyYRange(k);
  }
}

void WaveViews::ShowSamplingState(bool on) {
  controls_.bt_start.Caption = protocol::SamplingStateCaption(on);
}

void WaveViews::FormResize(int rows_height) {
  rows_height_ = std::max(0, rows_height);
  ShowAllViews();
}

void WaveViews::ShowAllViews() {
  // Top and bottom rows a third each; the middle row takes the rest, so it
  // is never the shorter one.
  const int outer = rows_height_ / 3;
  layout_.row_height = {outer, rows_height_ - 2 * outer, outer};
  for (int k = 0; k < kViewCount; ++k) Row(k).Visible = true;
  state_.SingleView = false;
}

void WaveViews::ShowSingleView(int view) {
  if (view < 1 || view > kViewCount) return;
  for (int k = 0; k < kViewCount; ++k) Row(k).Visible = false;
  state_.SingleView = true;
  layout_.row_height = {0, 0, 0};
  layout_.row_height[static_cast<std::size_t>(view - 1)] = rows_height_;
  Row(view - 1).Visible = true;
}

void WaveViews::XYPlotDblClick(int view) {
  if (state_.SingleView) {
    ShowAllViews();
  } else {
    ShowSingleView(view);
  }
}

void WaveViews::SetTimeRangeAll(double min, double max) {
  for (int k = 0; k < kViewCount; ++k) Plot(k).SetAxisMinMax(kTime, min, max);
}

void WaveViews::SetTimeTicksAll(double count) {
  const int ticks = static_cast<int>(std::clamp(count, 0.0, static_cast<double>(kMaxTicks)));
  for (int k = 0; k < kViewCount; ++k) Plot(k).SetAxisTicksCount(kTime, ticks);
}

void WaveViews::Button1Click() {
  const double mx = Rounded(Plot(0).AxisMax(kTime));
  if (!(mx < kTimeLimit)) return;
  for (int k = 0; k < kViewCount; ++k) Plot(k).MoveAxisRange(kTime, kTimeStep);
}

void WaveViews::Button3Click() {
  const double mn = Rounded(Plot(0).AxisMin(kTime));
  const double mx = Rounded(Plot(0).AxisMax(kTime));
  if (!(mx - mn < kTimeLimit && mn > 0.0)) return;
  SetTimeRangeAll(mn - kTimeStep, mx - kTimeStep);
}

void WaveViews::Bt_ZoomX1Click() {
  const double mn = Rounded(Plot(0).AxisMin(kTime));
  const double mx = Rounded(Plot(0).AxisMax(kTime));
  if (!(mx - mn < kTimeLimit && mn <= 0.0)) return;
  SetTimeRangeAll(mn, mx + kTimeStep);
  SetTimeTicksAll(mx + 2.0);  // one tick a second over the widened window
}

void WaveViews::Bt_ZoomX2Click() {
  const double min = Plot(0).AxisMin(kTime);  // unrounded on purpose
  const double mx = Rounded(Plot(0).AxisMax(kTime));
  if (!(mx - min > kMinTimeSpan && min <= 0.0)) return;
  SetTimeRangeAll(0.0, mx - kTimeStep);
  SetTimeTicksAll(mx);  // one tick a second over the narrowed window
}

void WaveViews::ClearViews() {
  state_.SampleCount1 = state_.SampleCount2 = state_.SampleCount3 = 0;
  for (int k = 0; k < kViewCount; ++k) Plot(k).ClearSeries();
}

void WaveViews::SpeedButton1Click() {
  ClearViews();
  ResetAxes();
}

void WaveViews::Bt_ZoomY2Click(int view) {
  if (view < 1 || view > kViewCount) return;
  IViewPlot& plot = Plot(view - 1);
  const double mn = Rounded(plot.AxisMin(kLeft));
  const double mx = Rounded(plot.AxisMax(kLeft));
  if (!(mx - mn > kMinValueSpan)) return;
  const double d =
      state_.UnitFactor >= kCoarseFactor && mx >= kCoarseFrom ? kCoarseValueStep : kFineValueStep;
  plot.SetAxisMinMax(kLeft, mn + d, mx - d);
  plot.SetAxisMinMax(kRight, mn + d, mx - d);
}

void WaveViews::Bt_ZoomY1Click(int view) {
  if (view < 1 || view > kViewCount) return;
  IViewPlot& plot = Plot(view - 1);
  const double mn = Rounded(plot.AxisMin(kLeft));
  const double mx = Rounded(plot.AxisMax(kLeft));
  if (!(mx - mn < kMaxValueSpanFactor * state_.UnitFactor)) return;
  const double d =
      state_.UnitFactor >= kCoarseFactor && mx > kCoarseFrom ? kCoarseValueStep : kFineValueStep;
  plot.SetAxisMinMax(kLeft, mn - d, mx + d);
  plot.SetAxisMinMax(kRight, mn - d, mx + d);
}

void WaveViews::XYPlotMouseUp(int view, int x, int y) {
  if (view < 1 || view > kViewCount) return;
  const IViewPlot& plot = Plot(view - 1);
  controls_.StatusBar1.Panel(form::StatusPanel::kLastCommand).text =
      FormatReadout(plot.AxisPixelToValue(kTime, x), plot.AxisPixelToValue(kLeft, y));
}

void WaveViews::cb_unit1Change() {
  // Points already drawn keep their values; later samples use the new factor.
  state_.UnitFactor = protocol::UnitFactorFor(controls_.cb_unit1.item_index, state_.UnitFactor);
  ApplyYRanges();
}

void WaveViews::ch_jyClick() {
  ApplyYRanges();
}

}  // namespace pulse::window
