#include "window/view_plot_setup.h"

#include <string>

#include "plot/property_store.h"

namespace pulse::window {
namespace {

constexpr const char* kLabelFormat = "###0.##";

// One axis's stored values, loaded the way the window's saved layout is:
// through the axis's persisted properties, so the option set goes in whole.
struct AxisSetting {
  int margin;
  const char* caption;
  int ticks;
  std::uint32_t flags;
  double min, max;
  bool line_visible;
  plot::TColor line_color;
  plot::TPenStyle line_style;
  bool grid_visible;
  plot::TColor grid_color;
  plot::TPenStyle grid_style;
};

void PutLine(plot::PropertyStore& store, const std::string& prefix, bool visible,
             plot::TColor color, plot::TPenStyle style) {
  store.SetInt(prefix + "Color", color);
  store.SetInt(prefix + "Style", style);
  store.SetBool(prefix + "Visible", visible);
}

void ApplyAxis(plot::Tsp_Axis& axis, const AxisSetting& s) {
  plot::PropertyStore store;
  store.SetInt("Margin", s.margin);
  store.SetString("Caption", s.caption);
  store.SetInt("TicksCount", s.ticks);
  PutLine(store, "LineAttr.", s.line_visible, s.line_color, s.line_style);
  PutLine(store, "GridAttr.", s.grid_visible, s.grid_color, s.grid_style);
  store.SetString("LabelFormat", kLabelFormat);
  store.SetInt("SFlags", s.flags);
  store.SetDouble("fMin", s.min);
  store.SetDouble("fMax", s.max);
  axis.LoadProperties(store);
}

}  // namespace

void ConfigureViewPlot(int view, plot::Tsp_XYPlot& plot, plot::Tsp_XYLine& line,
                       plot::Tsp_LineMarker& marker) {
  plot.SetZoom(plot::zpdNone);
  plot.SetPan(plot::zpdNone);
  plot.SetPanCursor(plot::crHandPoint);
  plot.SetBorderStyle(plot::bs_Gutter);
  plot.SetFieldColor(plot::clNavy);
  plot.SetColor(plot::clBtnFace);
  plot.SetBufferedDisplay(true);

  // The value range is -10..10 until the start-up applies the unit's range;
  // the right axis carries the same range (it mirrors the left one).
  ApplyAxis(plot.LeftAxis(), {5, kViewLeftCaption, 11, kViewLeftAxisFlags, -10, 10, false,
                              plot::clBlack, plot::psSolid, true, plot::clBlue, plot::psDot});
  // The right axis line tells the views apart: none, navy dotted, black.
  const bool right_line = view != 1;
  const plot::TColor right_color = view == 2 ? plot::clNavy : plot::clBlack;
  const plot::TPenStyle right_style = view == 2 ? plot::psDot : plot::psSolid;
  ApplyAxis(plot.RightAxis(), {4, "", 11, kViewRightAxisFlags, -10, 10, right_line, right_color,
                               right_style, false, plot::kGridColor, plot::psSolid});
  ApplyAxis(plot.BottomAxis(), {3, "", 21, kViewBottomAxisFlags, 0, 20, true, plot::clBlack,
                                plot::psSolid, true, plot::clBlue, plot::psDot});
  ApplyAxis(plot.TopAxis(), {4, "", 3, kViewTopAxisFlags, 0, 10, false, plot::clBlack,
                             plot::psSolid, false, plot::clGray, plot::psSolid});

  line.SetPlot(&plot);
  line.LineAttr().SetColor(plot::clWhite);
  line.LineAttr().SetVisible(true);
  plot::Tsp_PointAttr& marks = line.PointAttr();
  marks.SetKind(plot::ptRectangle);
  marks.SetBorderColor(plot::clMaroon);
  marks.SetStyle(plot::bsClear);
  marks.SetVisible(false);

  marker.SetWhenDraw(plot::dmBeforeSeries);
  marker.SetOrientation(plot::loHorizontal);
  marker.SetPen({plot::clNavy, plot::psDot, 1, plot::pmCopy});
  marker.SetBrush({plot::clGray, plot::bsSolid});
  marker.SetPosition(0);
  marker.SetPlot(&plot);
}

ViewPlotSet::ViewPlotSet(int view) : view_(plot_, line_) {
  ConfigureViewPlot(view, plot_, line_, marker_);
}

ViewPlotSets MakeViewPlotSets() {
  ViewPlotSets sets;
  for (int k = 0; k < WaveViews::kViewCount; ++k)
    sets[static_cast<std::size_t>(k)] = std::make_unique<ViewPlotSet>(k + 1);
  return sets;
}

std::array<IViewPlot*, WaveViews::kViewCount> ViewsOf(const ViewPlotSets& sets) {
  std::array<IViewPlot*, WaveViews::kViewCount> views{};
  for (std::size_t k = 0; k < sets.size(); ++k) views[k] = &sets[k]->View();
  return views;
}

}  // namespace pulse::window
