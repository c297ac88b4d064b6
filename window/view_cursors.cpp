#include "window/view_cursors.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "window/session_control.h"

namespace pulse::window {
namespace {

std::string Number(const char* format, double v) {
  if (!std::isfinite(v)) return "--";
  char buf[48];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string Point(const char* name, const std::optional<CursorPoint>& p) {
  if (!p) return std::string(name) + " --";
  return std::string(name) + " " + Number("%.3f", p->t) + " s " + Number("%.2f", p->value);
}

}  // namespace

std::string CursorReadoutText(int view, const CursorReadout& r, const std::string& unit) {
  if (!r.a && !r.b) return {};
  // Compact, to fit beside the player bar's controls; the unit once, after Δ.
  std::string s = Point("A", r.a) + "  " + Point("B", r.b);
  if (r.delta_t) s += "  Δt " + Number("%.3f", *r.delta_t) + " s";
  if (r.delta_value) s += "  Δ " + Number("%.2f", *r.delta_value);
  s += " " + unit;
  if (r.rate_bpm) s += "  " + Number("%.1f", *r.rate_bpm) + " bpm";
  // The view last, where a narrow window cuts first.
  return s + form::Format(form::Tr("ViewCursors", "  (视图%1)"), {std::to_string(view)});
}

ViewCursors::ViewCursors(const form::TFormState& state, std::array<IViewPlot*, kViewCount> plots)
    : state_(state), plots_(plots) {}

void ViewCursors::SetMarks(const std::array<ICursorMarks*, kViewCount>& marks) {
  marks_ = marks;
}

bool ViewCursors::Valid(int view) const {
  return view >= 1 && view <= kViewCount && plots_[static_cast<size_t>(view - 1)] != nullptr;
}

double ViewCursors::TimeAt(int view, int x) const {
  return plots_[static_cast<size_t>(view - 1)]->AxisPixelToValue(ViewAxis::kTime, x);
}

void ViewCursors::Place(int view, MeasureCursors::Which which, int x) {
  if (!Valid(view)) return;
  PlaceAtTime(view, which, TimeAt(view, x));
}

void ViewCursors::PlaceAtTime(int view, MeasureCursors::Which which, double t) {
  if (!Valid(view) || !std::isfinite(t)) return;
  cursors_[static_cast<size_t>(view - 1)].Place(which, t);
  Moved(view);
}

void ViewCursors::Clear(int view) {
  if (!Valid(view)) return;
  cursors_[static_cast<size_t>(view - 1)].Clear();
  if (drag_ && drag_->view == view) drag_.reset();
  Moved(view);
}

bool ViewCursors::BeginDrag(int view, int x) {
  if (!Valid(view)) return false;
  const MeasureCursors& c = cursors_[static_cast<size_t>(view - 1)];
  // The tolerance in seconds is kGrabPixels at this view's scale.
  const double tolerance = std::abs(TimeAt(view, x + kGrabPixels) - TimeAt(view, x));
  const std::optional<MeasureCursors::Which> which = c.HandleAt(TimeAt(view, x), tolerance);
  if (!which) return false;
  drag_ = Drag{view, *which};
  return true;
}

void ViewCursors::DragTo(int x) {
  if (!drag_) return;
  Place(drag_->view, drag_->which, x);
}

void ViewCursors::EndDrag() {
  drag_.reset();
}

void ViewCursors::Moved(int view) {
  const MeasureCursors& c = cursors_[static_cast<size_t>(view - 1)];
  if (ICursorMarks* m = marks_[static_cast<size_t>(view - 1)])
    m->ShowCursors(c.Time(MeasureCursors::Which::kA), c.Time(MeasureCursors::Which::kB));
  active_ = view;
  Refresh();
}

void ViewCursors::Refresh() {
  if (!Valid(active_)) return;
  std::vector<double> x, y;
  plots_[static_cast<size_t>(active_ - 1)]->SeriesPoints(x, y);
  readout_ = cursors_[static_cast<size_t>(active_ - 1)].Read(x, y);
  std::string text = CursorReadoutText(active_, readout_, UnitSymbolOfFactor(state_.UnitFactor));
  if (text == text_) return;
  text_ = std::move(text);
  ++revision_;
}

}  // namespace pulse::window
