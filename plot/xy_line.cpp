#include "plot/xy_line.h"

#include <algorithm>
#include <cstddef>

#include "plot/axis.h"
#include "plot/canvas.h"
#include "plot/xy_plot.h"

namespace {

using plot::Canvas;
using plot::Point;

bool IsFar(const Point& p) {
  return p.x < -plot::kFarPixel || p.y < -plot::kFarPixel || p.x > plot::kFarPixel ||
         p.y > plot::kFarPixel;
}

void MarkRectangle(Canvas& c, const Tsp_PointAttr& a, int x, int y) {
  c.Rectangle(x - a.LeftHalf(), y - a.TopHalf(), x + a.RightHalf(), y + a.BottomHalf());
}

void MarkEllipse(Canvas& c, const Tsp_PointAttr& a, int x, int y) {
  c.Ellipse(x - a.LeftHalf(), y - a.TopHalf(), x + a.RightHalf(), y + a.BottomHalf());
}

void MarkDiamond(Canvas& c, const Tsp_PointAttr& a, int x, int y) {
  const int l = a.LeftHalf(), t = a.TopHalf();
  const Point p[] = {{x, y - t}, {x + l, y}, {x, y + t}, {x - l, y}};
  c.Polygon(p);
}

void MarkCross(Canvas& c, const Tsp_PointAttr& a, int x, int y) {
  c.Line(x - a.LeftHalf(), y, x + a.RightHalf(), y);
  c.Line(x, y - a.TopHalf(), x, y + a.BottomHalf());
}

void MarkTriangle(Canvas& c, const Tsp_PointAttr& a, int x, int y) {
  const int l = a.LeftHalf(), t = a.TopHalf();
  const Point p[] = {{x, y - t}, {x + l, y + t}, {x - l, y + t}};
  c.Polygon(p);
}

void MarkDownTriangle(Canvas& c, const Tsp_PointAttr& a, int x, int y) {
  const int l = a.LeftHalf(), t = a.TopHalf();
  const Point p[] = {{x - l, y - t}, {x + l, y - t}, {x, y + t}};
  c.Polygon(p);
}

// Points of one pixel column beyond this many are cut to first, extremes and last.
constexpr std::size_t kColumnKeep = 4;

}  // namespace

Tsp_XYLine::Tsp_XYLine() : mark_(&MarkRectangle) {
  pointAttr_.SetOnChange([this](Tsp_PointAttr* a) { AttrChanged(a); });
}

Tsp_XYLine::~Tsp_XYLine() { pointAttr_.SetOnChange(nullptr); }

void Tsp_XYLine::AttrChanged(const void* sender) {
  if (sender == &pointAttr_) {
    switch (pointAttr_.Kind()) {
      case ptEllipse: mark_ = &MarkEllipse; break;
      case ptDiamond: mark_ = &MarkDiamond; break;
      case ptCross: mark_ = &MarkCross; break;
      case ptTriangle: mark_ = &MarkTriangle; break;
      case ptDownTriangle: mark_ = &MarkDownTriangle; break;
      default: mark_ = &MarkRectangle; break;
    }
  }
  Tsp_XYDataSeries::AttrChanged(sender);
}

Tsp_Axis& Tsp_XYLine::XAxisOf() const {
  return XAxis() == dsxTop ? Plot()->TopAxis() : Plot()->BottomAxis();
}

Tsp_Axis& Tsp_XYLine::YAxisOf() const {
  return YAxis() == dsyRight ? Plot()->RightAxis() : Plot()->LeftAxis();
}

void Tsp_XYLine::Draw() {
  const int n = Count();
  if (n < 1 || !Plot()) return;
  if (!pointAttr_.Visible() && !(lineAttr_.Visible() && n > 1)) return;
  Canvas* c = Plot()->DrawingCanvas();
  if (!c) return;
  Tsp_Axis& xa = XAxisOf();
  Tsp_Axis& ya = YAxisOf();
  EnsureExtents();
  // Entirely outside the visible range: nothing to draw.
  if (xMin_ > xa.Max() || xMax_ < xa.Min()) return;
  if (yMin_ > ya.Max() || yMax_ < ya.Min()) return;
  if (n > 1 && lineAttr_.Visible() && lineAttr_.Style() != psClear) DrawLine(*c, xa, ya);
  if (pointAttr_.Visible()) DrawMarks(*c, xa, ya);
}

void Tsp_XYLine::FlushRun(Canvas& c) {
  if (run_.size() < 2) {
    run_.clear();
    return;
  }
  // Cut every column group except the last one: the run's final pixel is left out by the
  // canvas, so that group must keep its exact path.
  cut_.clear();
  std::size_t i = 0;
  const std::size_t n = run_.size();
  while (i < n) {
    std::size_t j = i + 1;
    while (j < n && run_[j].x == run_[i].x) ++j;
    if (j - i > kColumnKeep && j < n) {
      std::size_t lo = i, hi = i;
      for (std::size_t k = i + 1; k < j; ++k) {
        if (run_[k].y < run_[lo].y) lo = k;
        if (run_[k].y > run_[hi].y) hi = k;
      }
      cut_.push_back(run_[i]);
      cut_.push_back(run_[std::min(lo, hi)]);
      cut_.push_back(run_[std::max(lo, hi)]);
      cut_.push_back(run_[j - 1]);
    } else {
      cut_.insert(cut_.end(), run_.begin() + static_cast<std::ptrdiff_t>(i),
                  run_.begin() + static_cast<std::ptrdiff_t>(j));
    }
    i = j;
  }
  c.Polyline(cut_);
  run_.clear();
}

void Tsp_XYLine::DrawLine(Canvas& c, Tsp_Axis& xa, Tsp_Axis& ya) {
  lineAttr_.ApplyToPen(c.Pen());
  c.Brush().Style = bsClear;
  const int n = Count();
  const double* xs = XData();
  const double* ys = YData();
  const bool batch = batched_ && c.Pen().Style == psSolid && c.Pen().Width <= 1;
  Point prev{xa.ValueToPixel(xs[0]), ya.ValueToPixel(ys[0])};
  // Bit 1: the previous point is far; bit 0: this one is.
  unsigned state = IsFar(prev) ? 2u : 0u;
  run_.clear();
  for (int i = 1; i < n; ++i) {
    const Point p{xa.ValueToPixel(xs[i]), ya.ValueToPixel(ys[i])};
    if (IsFar(p)) state |= 1u;
    if (state != 3u) {
      if (batch) {
        if (run_.empty()) run_.push_back(prev);
        run_.push_back(p);
      } else {
        const Point seg[] = {prev, p};
        c.Polyline(seg);
      }
    } else if (batch) {
      FlushRun(c);
    }
    state = (state << 1) & 3u;
    prev = p;
  }
  if (batch) FlushRun(c);
}

void Tsp_XYLine::DrawOneMark(Canvas& c, double xv, double yv, int x, int y) {
  if (pointAttr_.Kind() == ptCustom && OnDrawCustomPoint)
    OnDrawCustomPoint(*this, xv, yv, x, y);
  else
    mark_(c, pointAttr_, x, y);
}

void Tsp_XYLine::DrawMarks(Canvas& c, Tsp_Axis& xa, Tsp_Axis& ya) {
  pointAttr_.ApplyBorderToPen(c.Pen());
  pointAttr_.ApplyToBrush(c.Brush());
  const bool custom = pointAttr_.Kind() == ptCustom;
  if (custom && !OnDrawCustomPoint) return;
  const TRect& f = Plot()->FieldRect();
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    const int px = xa.ValueToPixel(X(i));
    const int py = ya.ValueToPixel(Y(i));
    if (!f.Contains(px, py)) continue;
    if (custom)
      OnDrawCustomPoint(*this, X(i), Y(i), px, py);
    else
      mark_(c, pointAttr_, px, py);
  }
}

void Tsp_XYLine::DrawLegendSample(Canvas& c, const TRect& r) {
  const bool line = lineAttr_.Visible();
  const bool marks = pointAttr_.Visible();
  if (!line && !marks) return;
  const plot::CanvasPen pen = c.Pen();
  const plot::CanvasBrush brush = c.Brush();
  const int middle = (r.Top + r.Bottom) / 2;
  if (line) {
    lineAttr_.ApplyToPen(c.Pen());
    c.Brush().Style = bsClear;
    c.Line(r.Left + 1, middle, r.Right, middle);
  }
  if (marks) {
    pointAttr_.ApplyBorderToPen(c.Pen());
    pointAttr_.ApplyToBrush(c.Brush());
    DrawOneMark(c, 0, 0, (r.Left + r.Right) / 2, middle);
  }
  c.Pen() = pen;
  c.Brush() = brush;
}

void Tsp_XYLine::AddPointAndDraw(double x, double y) {
  StorePoint(x, y);
  Tsp_XYPlot* plot = Plot();
  if (!plot || !Active()) return;
  if (plot->BufferedDisplay()) plot->MarkBufferStale();
  Canvas* c = plot->DrawingCanvas();
  if (!c) return;
  const TRect& f = plot->FieldRect();
  const plot::ClipState saved = c->SaveClip();
  c->IntersectClipRect(f);
  Tsp_Axis& xa = XAxisOf();
  Tsp_Axis& ya = YAxisOf();
  const int n = Count();
  const Point p{xa.ValueToPixel(x), ya.ValueToPixel(y)};
  if (lineAttr_.Visible() && n > 1) {
    const Point q{xa.ValueToPixel(X(n - 2)), ya.ValueToPixel(Y(n - 2))};
    if (f.Contains(p.x, p.y) || f.Contains(q.x, q.y)) {
      lineAttr_.ApplyToPen(c->Pen());
      c->Brush().Style = bsClear;
      c->Line(q.x, q.y, p.x, p.y);
    }
  }
  if (pointAttr_.Visible() && f.Contains(p.x, p.y)) {
    pointAttr_.ApplyBorderToPen(c->Pen());
    pointAttr_.ApplyToBrush(c->Brush());
    DrawOneMark(*c, x, y, p.x, p.y);
  }
  c->RestoreClip(saved);
  plot->ScreenChanged();
}
