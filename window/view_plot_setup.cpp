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
  TColor line_color;
  TPenStyle line_style;
  bool grid_visible;
  TColor grid_color;
  TPenStyle grid_style;
};

void PutLine(plot::PropertyStore& store, const std::string& prefix, bool visible, TColor color,
             TPenStyle style) {
  store.SetInt(prefix + "Color", color);
  store.SetInt(prefix + "Style", style);
  store.SetBool(prefix + "Visible", visible);
}

void ApplyAxis(Tsp_Axis& axis, const AxisSetting& s) {
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

void ConfigureViewPlot(int view, Tsp_XYPlot& plot, Tsp_XYLine& line, Tsp_LineMarker& marker) {
  plot.SetZoom(zpdNone);
  plot.SetPan(zpdNone);
  plot.SetPanCursor(crHandPoint);
  plot.SetBorderStyle(bs_Gutter);
  plot.SetFieldColor(clNavy);
  plot.SetColor(clBtnFace);
  plot.SetBufferedDisplay(true);

  // The value range is -10..10 until the start-up applies the unit's range;
  // the right axis carries the same range (it mirrors the left one).
  ApplyAxis(plot.LeftAxis(), {5, kViewLeftCaption, 11, kViewLeftAxisFlags, -10, 10, false, clBlack,
                              psSolid, true, clBlue, psDot});
  // The right axis line tells the views apart: none, navy dotted, black.
  const bool right_line = view != 1;
  const TColor right_color = view == 2 ? clNavy : clBlack;
  const TPenStyle right_style = view == 2 ? psDot : psSolid;
  ApplyAxis(plot.RightAxis(), {4, "", 11, kViewRightAxisFlags, -10, 10, right_line, right_color,
                               right_style, false, plot::kGridColor, psSolid});
  ApplyAxis(plot.BottomAxis(),
            {3, "", 21, kViewBottomAxisFlags, 0, 20, true, clBlack, psSolid, true, clBlue, psDot});
  ApplyAxis(plot.TopAxis(),
            {4, "", 3, kViewTopAxisFlags, 0, 10, false, clBlack, psSolid, false, clGray, psSolid});

  line.SetPlot(&plot);
  line.LineAttr().SetColor(clWhite);
  line.LineAttr().SetVisible(true);
  Tsp_PointAttr& marks = line.PointAttr();
  marks.SetKind(ptRectangle);
  marks.SetBorderColor(clMaroon);
  marks.SetStyle(bsClear);
  marks.SetVisible(false);

  marker.SetWhenDraw(dmBeforeSeries);
  marker.SetOrientation(loHorizontal);
  marker.SetPen({clNavy, psDot, 1, pmCopy});
  marker.SetBrush({clGray, bsSolid});
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
