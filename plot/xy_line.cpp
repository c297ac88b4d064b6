#include "plot/xy_line.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "plot/axis.h"
#include "plot/canvas.h"
#include "plot/xy_plot.h"

namespace pulse::plot {

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

// Sets the pixels of the segment a-b, end pixel excluded, inside clip (right and bottom
// exclusive). Midpoint rounding on the minor axis; only the steps whose major coordinate lies
// inside the clip are visited, so far ends cost nothing.
// Inlined into each of its two callers: the call costs more than a short segment.
[[gnu::always_inline]] inline void RasterSegment(QRgb* bits, qsizetype stride, const QRect& clip,
                                                 Point a, Point b, QRgb color) {
  const int dx = b.x - a.x, dy = b.y - a.y;
  const int adx = std::abs(dx), ady = std::abs(dy);
  const int steps = std::max(adx, ady);
  if (steps == 0) return;
  const bool xMajor = adx >= ady;
  const int m0 = xMajor ? a.x : a.y, n0 = xMajor ? a.y : a.x;
  const int sm = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const int minorDelta = xMajor ? dy : dx;
  const int sn = minorDelta > 0 ? 1 : minorDelta < 0 ? -1 : 0;
  const int mLo = xMajor ? clip.left() : clip.top();
  const int mHi = (xMajor ? clip.right() : clip.bottom()) + 1;  // exclusive
  const int nLo = xMajor ? clip.top() : clip.left();
  const int nHi = (xMajor ? clip.bottom() : clip.right()) + 1;
  int lo = 0, hi = steps;
  if (sm > 0) {
    lo = std::max(lo, mLo - m0);
    hi = std::min(hi, mHi - m0);
  } else {
    lo = std::max(lo, m0 - (mHi - 1));
    hi = std::min(hi, m0 - mLo + 1);
  }
  if (lo >= hi) return;
  const std::int64_t amaj = xMajor ? adx : ady, amin = xMajor ? ady : adx;
  const std::int64_t den = 2 * amaj;
  const std::int64_t num = 2 * static_cast<std::int64_t>(lo) * amin + amaj;
  std::int64_t q = num / den, r = num % den;
  for (int i = lo; i < hi; ++i) {
    const int m = m0 + i * sm;
    const int n = n0 + sn * static_cast<int>(q);
    if (n >= nLo && n < nHi) {
      const int x = xMajor ? m : n, y = xMajor ? n : m;
      bits[static_cast<qsizetype>(y) * stride + x] = color;
    }
    r += 2 * amin;
    if (r >= den) {
      r -= den;
      ++q;
    }
  }
}

// Draws the segments between consecutive points at(0)..at(n-1), skipping those with both ends
// far and those touching a break (a point whose value is NaN: a gap in the data).
template <typename PointAt, typename BreakAt>
void RasterChain(QRgb* bits, qsizetype stride, const QRect& clip, QRgb color, std::size_t n,
                 PointAt at, BreakAt is_break) {
  if (n == 0) return;
  Point prev = at(0);
  bool prev_break = is_break(0);
  unsigned state = IsFar(prev) ? 2u : 0u;  // bit 1: previous point far; bit 0: this one
  for (std::size_t i = 1; i < n; ++i) {
    const Point p = at(i);
    const bool brk = is_break(i);
    if (IsFar(p)) state |= 1u;
    if (state != 3u && !brk && !prev_break) RasterSegment(bits, stride, clip, prev, p, color);
    state = (state << 1) & 3u;
    prev = p;
    prev_break = brk;
  }
}

bool IsBreak(double x, double y) { return std::isnan(x) || std::isnan(y); }

}  // namespace

Tsp_XYLine::Tsp_XYLine() : mark_(&MarkRectangle) {
  point_attr_.SetOnChange([this](Tsp_PointAttr* a) { AttrChanged(a); });
}

Tsp_XYLine::~Tsp_XYLine() {
  point_attr_.SetOnChange(nullptr);
}

void Tsp_XYLine::AttrChanged(const void* sender) {
  if (sender == &point_attr_) {
    switch (point_attr_.Kind()) {
      case ptEllipse:
        mark_ = &MarkEllipse;
        break;
      case ptDiamond:
        mark_ = &MarkDiamond;
        break;
      case ptCross:
        mark_ = &MarkCross;
        break;
      case ptTriangle:
        mark_ = &MarkTriangle;
        break;
      case ptDownTriangle:
        mark_ = &MarkDownTriangle;
        break;
      default:
        mark_ = &MarkRectangle;
        break;
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
  last_draw_decimated_ = false;
  const int n = Count();
  if (n < 1 || !Plot()) return;
  if (!point_attr_.Visible() && !(line_attr_.Visible() && n > 1)) return;
  Canvas* c = Plot()->DrawingCanvas();
  if (!c) return;
  Tsp_Axis& xa = XAxisOf();
  Tsp_Axis& ya = YAxisOf();
  // False only for a series without points, which returned above.
  (void)EnsureExtents();
  // Entirely outside the visible range: nothing to draw.
  if (x_min_ > xa.Max() || x_max_ < xa.Min()) return;
  if (y_min_ > ya.Max() || y_max_ < ya.Min()) return;
  if (n > 1 && line_attr_.Visible() && line_attr_.Style() != psClear) DrawLine(*c, xa, ya);
  if (point_attr_.Visible()) DrawMarks(*c, xa, ya);
}

bool Tsp_XYLine::RasterLine(Canvas& c, Tsp_Axis& xa, Tsp_Axis& ya) {
  const plot::CanvasPen& pen = c.Pen();
  if (!raster_fast_ || pen.Style != psSolid || pen.Width > 1 || pen.mode != pmCopy) return false;
  QPainter& painter = c.Painter();
  QPaintDevice* dev = painter.device();
  if (!dev || dev->devType() != QInternal::Image) return false;
  auto* img = static_cast<QImage*>(dev);
  const QImage::Format fmt = img->format();
  if (img->devicePixelRatio() != 1.0 || !painter.worldTransform().isIdentity() ||
      (fmt != QImage::Format_RGB32 && fmt != QImage::Format_ARGB32 &&
       fmt != QImage::Format_ARGB32_Premultiplied))
    return false;
  QRect clip = img->rect();
  if (painter.hasClipping()) clip &= painter.clipBoundingRect().toAlignedRect();
  if (clip.isEmpty()) return true;
  const QRgb color = plot::ToQColor(pen.Color).rgb();
  QRgb* bits = reinterpret_cast<QRgb*>(img->bits());
  const qsizetype stride = img->bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  const auto n = static_cast<std::size_t>(Count());
  const double* xs = XData();
  const double* ys = YData();
  // Thinned points give the same pixels as every point for this 1-pixel solid copy-mode line
  // when x never decreases and no drawn y is NaN or far; Decimate() declines otherwise.
  if (decimation_) {
    const plot::DecimationSource src{xs, ys, n, &YSpans(), XNonDecreasing()};
    if (decimator_.Decimate(src, xa, ya, clip.left(), clip.right() + 1, plot::kFarPixel)) {
      const std::vector<Point>& pts = decimator_.Points();
      // Decimate() declines NaN values, so the thinned points hold no break.
      RasterChain(bits, stride, clip, color, pts.size(), [&](std::size_t i) { return pts[i]; },
                  [](std::size_t) { return false; });
      last_draw_decimated_ = true;
      return true;
    }
  }
  RasterChain(
      bits, stride, clip, color, n,
      [&](std::size_t i) { return Point{xa.ValueToPixel(xs[i]), ya.ValueToPixel(ys[i])}; },
      [&](std::size_t i) { return IsBreak(xs[i], ys[i]); });
  return true;
}

void Tsp_XYLine::DrawLine(Canvas& c, Tsp_Axis& xa, Tsp_Axis& ya) {
  line_attr_.ApplyToPen(c.Pen());
  c.Brush().Style = bsClear;
  if (RasterLine(c, xa, ya)) return;
  const int n = Count();
  Point prev{xa.ValueToPixel(X(0)), ya.ValueToPixel(Y(0))};
  bool prev_break = IsBreak(X(0), Y(0));
  unsigned state = IsFar(prev) ? 2u : 0u;
  for (int i = 1; i < n; ++i) {
    const Point p{xa.ValueToPixel(X(i)), ya.ValueToPixel(Y(i))};
    const bool brk = IsBreak(X(i), Y(i));
    if (IsFar(p)) state |= 1u;
    if (state != 3u && !brk && !prev_break) {
      const Point seg[] = {prev, p};
      c.Polyline(seg);
    }
    state = (state << 1) & 3u;
    prev = p;
    prev_break = brk;
  }
}

void Tsp_XYLine::DrawOneMark(Canvas& c, double xv, double yv, int x, int y) {
  if (point_attr_.Kind() == ptCustom && OnDrawCustomPoint)
    OnDrawCustomPoint(*this, xv, yv, x, y);
  else
    mark_(c, point_attr_, x, y);
}

void Tsp_XYLine::DrawMarks(Canvas& c, Tsp_Axis& xa, Tsp_Axis& ya) {
  point_attr_.ApplyBorderToPen(c.Pen());
  point_attr_.ApplyToBrush(c.Brush());
  const bool custom = point_attr_.Kind() == ptCustom;
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
      mark_(c, point_attr_, px, py);
  }
}

void Tsp_XYLine::DrawLegendSample(Canvas& c, const TRect& r) {
  const bool line = line_attr_.Visible();
  const bool marks = point_attr_.Visible();
  if (!line && !marks) return;
  const plot::CanvasPen pen = c.Pen();
  const plot::CanvasBrush brush = c.Brush();
  const int middle = (r.top + r.bottom) / 2;
  if (line) {
    line_attr_.ApplyToPen(c.Pen());
    c.Brush().Style = bsClear;
    c.Line(r.left + 1, middle, r.right, middle);
  }
  if (marks) {
    point_attr_.ApplyBorderToPen(c.Pen());
    point_attr_.ApplyToBrush(c.Brush());
    DrawOneMark(c, 0, 0, (r.left + r.right) / 2, middle);
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
  if (line_attr_.Visible() && n > 1 && !IsBreak(x, y) && !IsBreak(X(n - 2), Y(n - 2))) {
    const Point q{xa.ValueToPixel(X(n - 2)), ya.ValueToPixel(Y(n - 2))};
    if (f.Contains(p.x, p.y) || f.Contains(q.x, q.y)) {
      line_attr_.ApplyToPen(c->Pen());
      c->Brush().Style = bsClear;
      c->Line(q.x, q.y, p.x, p.y);
    }
  }
  if (point_attr_.Visible() && f.Contains(p.x, p.y)) {
    point_attr_.ApplyBorderToPen(c->Pen());
    point_attr_.ApplyToBrush(c->Brush());
    DrawOneMark(*c, x, y, p.x, p.y);
  }
  c->RestoreClip(saved);
  plot->ScreenChanged();
}

}  // namespace pulse::plot
