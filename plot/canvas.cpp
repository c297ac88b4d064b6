#include "plot/canvas.h"

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QPolygon>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pulse::plot {

namespace {

// Dash patterns of the pen styles, in pixels (on, off, ...). The dotted pen is 1 on / 1 off,
// which Qt::DotLine (1 on / 2 off) is not.
const QList<qreal> kDashPattern = {18, 6};
const QList<qreal> kDotPattern = {1, 1};
const QList<qreal> kDashDotPattern = {9, 6, 3, 6};
const QList<qreal> kDashDotDotPattern = {9, 3, 3, 3, 3, 3};

const QList<qreal>* PatternOf(TPenStyle style) {
  switch (style) {
    case psDash:
      return &kDashPattern;
    case psDot:
      return &kDotPattern;
    case psDashDot:
      return &kDashDotPattern;
    case psDashDotDot:
      return &kDashDotDotPattern;
    default:
      return nullptr;
  }
}

QString ToQString(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QPolygon ToPolygon(std::span<const Point> points) {
  QPolygon poly(static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i)
    poly.setPoint(static_cast<int>(i), points[i].x, points[i].y);
  return poly;
}

// Qt draws an aliased line with a flat cap in the order of increasing x (mostly horizontal
// lines) or y (mostly vertical ones) and leaves out the pixel it reaches last. When our line
// runs the other way that would be our start pixel; moving the line one pixel along its major
// axis makes Qt paint exactly start..end with the end left out.
QLine ToPaintedLine(int x1, int y1, int x2, int y2) {
  const int dx = x2 - x1;
  const int dy = y2 - y1;
  if (std::abs(dx) >= std::abs(dy)) {
    if (dx < 0) return QLine(x1 + 1, y1, x2 + 1, y2);
  } else if (dy < 0) {
    return QLine(x1, y1 + 1, x2, y2 + 1);
  }
  return QLine(x1, y1, x2, y2);
}

QRgb Combine(TPenMode mode, QRgb dst, QRgb src) {
  constexpr QRgb kRgb = 0x00FFFFFF;
  const QRgb alpha = dst & ~kRgb;
  switch (mode) {
    case pmCopy:
      return src | ~kRgb;
    case pmXor:
      return ((dst ^ src) & kRgb) | alpha;
    case pmNot:
      return (~dst & kRgb) | alpha;
    case pmNotXor:
      return (~(dst ^ src) & kRgb) | alpha;
  }
  return dst;
}

// Steps one segment from a (painted) to b (left out) along its major axis, painting only the
// pixels inside the clip; returns the pattern phase after the segment.
int RasterLine(const PixelRun& run, Point a, Point b, int phase) {
  const int dx = b.x - a.x, dy = b.y - a.y;
  const int adx = std::abs(dx), ady = std::abs(dy);
  const int steps = std::max(adx, ady);
  if (steps == 0) return phase;
  const bool x_major = adx >= ady;
  const int m0 = x_major ? a.x : a.y, n0 = x_major ? a.y : a.x;
  const int sm = (x_major ? dx : dy) > 0 ? 1 : -1;
  const int minor_delta = x_major ? dy : dx;
  const int sn = minor_delta > 0 ? 1 : minor_delta < 0 ? -1 : 0;
  const QRect& clip = run.clip;
  const int m_lo = x_major ? clip.left() : clip.top();
  const int m_hi = (x_major ? clip.right() : clip.bottom()) + 1;  // exclusive
  const int n_lo = x_major ? clip.top() : clip.left();
  const int n_hi = (x_major ? clip.bottom() : clip.right()) + 1;
  // Clip along the major axis up front; long lines far off the image cost nothing.
  std::int64_t lo = 0, hi = steps;
  if (sm > 0) {
    lo = std::max<std::int64_t>(lo, std::int64_t{m_lo} - m0);
    hi = std::min<std::int64_t>(hi, std::int64_t{m_hi} - m0);
  } else {
    lo = std::max<std::int64_t>(lo, std::int64_t{m0} - (m_hi - 1));
    hi = std::min<std::int64_t>(hi, std::int64_t{m0} - m_lo + 1);
  }
  int period = 0;
  for (std::size_t j = 0; j < run.pattern_size; ++j) period += run.pattern[j];
  if (lo < hi) {
    // Minor offset of step i: round(i * amin / amaj), kept as quotient q and remainder r.
    const std::int64_t amaj = x_major ? adx : ady, amin = x_major ? ady : adx;
    const std::int64_t den = 2 * amaj;
    const std::int64_t num = 2 * lo * amin + amaj;
    std::int64_t q = num / den, r = num % den;
    for (std::int64_t i = lo; i < hi; ++i) {
      const int m = m0 + static_cast<int>(i) * sm;
      const int n = n0 + sn * static_cast<int>(q);
      r += 2 * amin;
      if (r >= den) {
        r -= den;
        ++q;
      }
      bool on = true;
      if (period > 0) {
        int k = static_cast<int>((phase + i) % period);
        std::size_t dash = 0;
        while (k >= run.pattern[dash]) k -= run.pattern[dash++];
        on = dash % 2 == 0;
      }
      if (!on && !run.paint_off) continue;
      // A wide pen paints a span across the minor axis at every step: each column (row) of
      // the line is painted once, so exclusive-or still restores.
      const int first = std::max(n - (run.width - 1) / 2, n_lo);
      const int last = std::min(n + run.width / 2, n_hi - 1);
      for (int k = first; k <= last; ++k) {
        const int x = x_major ? m : k, y = x_major ? k : m;
        QRgb& px = run.bits[static_cast<qsizetype>(y) * run.stride + x];
        px = Combine(run.mode, px, on ? run.on : run.off);
      }
    }
  }
  return period > 0 ? static_cast<int>((phase + steps) % period) : 0;
}

}  // namespace

QColor ToQColor(TColor c) {
  const std::uint32_t bgr = ColorToRgb(c);
  return QColor(RedOf(bgr), GreenOf(bgr), BlueOf(bgr));
}

CanvasFont MakeVerticalFont(const CanvasFont& font) {
  CanvasFont v = font;
  v.face.setBold(true);
  v.Orientation = 900;
  return v;
}

Canvas::Canvas(QPaintDevice* device)
    : own_painter_(std::make_unique<QPainter>(device)), painter_(own_painter_.get()) {
  painter_->setRenderHint(QPainter::Antialiasing, false);
  font_.face = painter_->font();
}

Canvas::Canvas(QPainter& painter) : painter_(&painter) {
  painter_->setRenderHint(QPainter::Antialiasing, false);
  font_.face = painter_->font();
}

Canvas::~Canvas() {
  if (own_painter_ && own_painter_->isActive()) own_painter_->end();
}

void Canvas::ApplyMode(TPenMode mode) {
  QPainter::CompositionMode cm = QPainter::CompositionMode_SourceOver;
  // Raster operations exist only on raster devices; elsewhere (printers, pictures) the
  // inverting modes fall back to plain drawing.
  const QPaintEngine* engine = painter_->paintEngine();
  const bool raster = engine && engine->hasFeature(QPaintEngine::RasterOpModes);
  if (raster) {
    switch (mode) {
      case pmCopy:
        break;
      case pmXor:
        cm = QPainter::RasterOp_SourceXorDestination;
        break;
      case pmNot:
        cm = QPainter::RasterOp_NotDestination;
        break;
      case pmNotXor:
        cm = QPainter::RasterOp_NotSourceXorDestination;
        break;
    }
  }
  if (painter_->compositionMode() != cm) painter_->setCompositionMode(cm);
}

void Canvas::ApplyPen() {
  ApplyMode(pen_.mode);
  if (pen_applied_ && applied_pen_ == pen_) return;
  applied_pen_ = pen_;
  pen_applied_ = true;
  if (pen_.Style == psClear) {
    painter_->setPen(Qt::NoPen);
    return;
  }
  QPen qpen(ToQColor(pen_.Color));
  const int width = pen_.Width < 1 ? 1 : pen_.Width;
  qpen.setWidth(width);
  qpen.setCosmetic(true);
  // A flat cap leaves out the end pixel of an aliased line.
  qpen.setCapStyle(Qt::FlatCap);
  qpen.setJoinStyle(Qt::MiterJoin);
  // Patterned pens are 1 pixel wide, like the classic cosmetic dashed pens.
  if (const QList<qreal>* pattern = PatternOf(pen_.Style)) {
    qpen.setWidth(1);
    qpen.setDashPattern(*pattern);
  }
  painter_->setPen(qpen);
}

void Canvas::DrawGaps(const QLine* lines, int count) {
  // A patterned pen over a solid brush shows the brush colour in its gaps (a dotted frame
  // over white reads as black and white); the gaps are the pattern rotated by one dash.
  const QList<qreal>* pattern = PatternOf(pen_.Style);
  if (!pattern || brush_.Style == bsClear) return;
  QList<qreal> gaps(pattern->begin() + 1, pattern->end());
  gaps.push_back(pattern->front());
  qreal total = 0;
  for (qreal v : *pattern) total += v;
  QPen gap_pen(ToQColor(brush_.Color));
  gap_pen.setWidth(1);
  gap_pen.setCosmetic(true);
  gap_pen.setCapStyle(Qt::FlatCap);
  gap_pen.setDashPattern(gaps);
  gap_pen.setDashOffset(total - pattern->front());
  const QPen saved = painter_->pen();
  painter_->setPen(gap_pen);
  painter_->drawLines(lines, count);
  painter_->setPen(saved);
}

void Canvas::ApplyBrush() {
  if (brush_.Style == bsClear)
    painter_->setBrush(Qt::NoBrush);
  else
    painter_->setBrush(ToQColor(brush_.Color));
}

void Canvas::ApplyFont() {
  if (font_applied_ && applied_font_.face == font_.face) return;
  painter_->setFont(font_.face);
  applied_font_ = font_;
  font_applied_ = true;
  metrics_.emplace(painter_->fontMetrics());
}

void Canvas::MoveTo(int x, int y) {
  pos_ = {x, y};
}

void Canvas::LineTo(int x, int y) {
  Line(pos_.x, pos_.y, x, y);
  pos_ = {x, y};
}

void Canvas::Line(int x1, int y1, int x2, int y2) {
  pos_ = {x2, y2};
  if (pen_.Style == psClear || (x1 == x2 && y1 == y2)) return;
  lines_.clear();
  lines_.emplace_back(x1, y1, x2, y2);
  DrawSegments();
}

void Canvas::Polyline(std::span<const Point> points) {
  if (points.empty()) return;
  pos_ = points.back();
  if (pen_.Style == psClear || points.size() < 2) return;
  // Separate segments, each leaving out its own end pixel: a joined path would paint the
  // vertices by Qt's own rules, which breaks exclusive-or outlines.
  lines_.clear();
  for (std::size_t i = 1; i < points.size(); ++i) {
    const Point a = points[i - 1];
    const Point b = points[i];
    if (a == b) continue;
    lines_.emplace_back(a.x, a.y, b.x, b.y);
  }
  if (lines_.empty()) return;
  DrawSegments();
}

void Canvas::DrawSegments() {
  if (RasterSegments()) return;
  ApplyPen();
  for (QLine& line : lines_) line = ToPaintedLine(line.x1(), line.y1(), line.x2(), line.y2());
  painter_->drawLines(lines_.data(), static_cast<int>(lines_.size()));
  DrawGaps(lines_.data(), static_cast<int>(lines_.size()));
}

bool Canvas::RasterSegments() {
  // Qt samples aliased lines at pixel centres offset by half a pixel, so depending on the
  // direction it may paint the neighbour of the start pixel instead of the start pixel. On a
  // 32-bit image we step the pixels ourselves: from the start pixel up to, not including, the
  // end pixel, each pixel once per segment (wide pens included).
  const QList<qreal>* pattern = PatternOf(pen_.Style);
  QPaintDevice* dev = painter_->device();
  if (!dev || dev->devType() != QInternal::Image) return false;
  auto* img = static_cast<QImage*>(dev);
  const QImage::Format fmt = img->format();
  if (img->devicePixelRatio() != 1.0 ||
      (fmt != QImage::Format_RGB32 && fmt != QImage::Format_ARGB32 &&
       fmt != QImage::Format_ARGB32_Premultiplied))
    return false;
  const QTransform t = painter_->combinedTransform();
  if (t.type() > QTransform::TxTranslate) return false;
  const int ox = static_cast<int>(std::lround(t.dx()));
  const int oy = static_cast<int>(std::lround(t.dy()));
  if (ox != t.dx() || oy != t.dy()) return false;

  PixelRun run;
  run.bits = reinterpret_cast<QRgb*>(img->bits());
  run.stride = img->bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  run.clip = img->rect();
  if (painter_->hasClipping())
    run.clip &= painter_->clipBoundingRect().toAlignedRect().translated(ox, oy);
  run.mode = pen_.mode;
  run.width = pattern ? 1 : std::max(1, pen_.Width);  // patterned pens are 1 pixel wide
  run.on = ToQColor(pen_.Color).rgb();
  run.off = ToQColor(brush_.Color).rgb();
  run.paint_off = pattern && brush_.Style != bsClear;
  if (pattern)
    for (qreal v : *pattern) run.pattern.at(run.pattern_size++) = static_cast<int>(v);
  // The pattern runs on along a polyline, so a dotted outline keeps its rhythm at corners.
  int phase = 0;
  for (const QLine& l : lines_)
    phase =
        RasterLine(run, Point{l.x1() + ox, l.y1() + oy}, Point{l.x2() + ox, l.y2() + oy}, phase);
  return true;
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 == x1 || y2 == y1) return;
  const bool outline = pen_.Style != psClear;
  if (brush_.Style != bsClear) {
    // Inside of the outline when there is one, the whole rectangle otherwise.
    const int inset = outline ? std::max(1, pen_.Width) : 0;
    if (x2 - x1 > 2 * inset && y2 - y1 > 2 * inset) {
      ApplyMode(pmCopy);
      painter_->fillRect(QRect(x1 + inset, y1 + inset, x2 - x1 - 2 * inset, y2 - y1 - 2 * inset),
                         ToQColor(brush_.Color));
    }
  }
  if (!outline) return;
  ApplyPen();
  painter_->setBrush(Qt::NoBrush);
  QPen qpen = painter_->pen();
  const int width = std::max(1, pen_.Width);
  qpen.setWidth(1);
  painter_->setPen(qpen);
  pen_applied_ = false;
  // A wide outline grows inward, so the rectangle never covers more than x1..x2-1.
  for (int k = 0; k < width && x2 - x1 - 2 * k > 0 && y2 - y1 - 2 * k > 0; ++k) {
    const int w = x2 - x1 - 2 * k - 1;
    const int h = y2 - y1 - 2 * k - 1;
    if (w == 0 || h == 0)
      painter_->drawLine(x1 + k, y1 + k, x1 + k + w, y1 + k + h);  // one row or column
    else
      painter_->drawRect(QRect(x1 + k, y1 + k, w, h));
  }
}

void Canvas::FillRect(const Rect& r) {
  if (brush_.Style == bsClear || r.right <= r.left || r.bottom <= r.top) return;
  ApplyMode(pmCopy);
  painter_->fillRect(QRect(r.left, r.top, r.Width(), r.Height()), ToQColor(brush_.Color));
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 == x1 || y2 == y1) return;
  ApplyPen();
  ApplyBrush();
  if (pen_.Style == psClear)
    painter_->drawEllipse(QRect(x1, y1, x2 - x1, y2 - y1));  // fill alone covers w pixels
  else
    painter_->drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));  // outline adds one
}

void Canvas::Polygon(std::span<const Point> points) {
  if (points.size() < 2) return;
  ApplyPen();
  ApplyBrush();
  painter_->drawPolygon(ToPolygon(points));
}

void Canvas::TextOut(int x, int y, const std::string& text) {
  if (text.empty()) return;
  ApplyFont();
  ApplyMode(pmCopy);
  const QString s = ToQString(text);
  const QFontMetrics& fm = *metrics_;
  painter_->setPen(ToQColor(font_.Color));
  pen_applied_ = false;
  if (font_.Orientation == 0) {
    if (brush_.Style != bsClear)
      painter_->fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), ToQColor(brush_.Color));
    painter_->drawText(x, y + fm.ascent(), s);
    return;
  }
  painter_->save();
  painter_->translate(x, y);
  painter_->rotate(-font_.Orientation / 10.0);
  if (brush_.Style != bsClear)
    painter_->fillRect(QRect(0, 0, fm.horizontalAdvance(s), fm.height()), ToQColor(brush_.Color));
  painter_->drawText(0, fm.ascent(), s);
  painter_->restore();
}

int Canvas::TextWidth(const std::string& text) {
  ApplyFont();
  return metrics_->horizontalAdvance(ToQString(text));
}

int Canvas::TextHeight(const std::string& /*text*/) {
  ApplyFont();
  return metrics_->height();
}

int Canvas::FontHeight() {
  ApplyFont();
  const QFont& f = font_.face;
  if (f.pixelSize() > 0) return f.pixelSize();
  const QPaintDevice* dev = painter_->device();
  const int dpi = dev ? dev->logicalDpiY() : 96;
  return static_cast<int>(std::lround(f.pointSizeF() * dpi / 72.0));
}

ClipState Canvas::SaveClip() const {
  ClipState s;
  s.Enabled = painter_->hasClipping();
  if (s.Enabled) s.area = painter_->clipBoundingRect().toAlignedRect();
  return s;
}

void Canvas::IntersectClipRect(const Rect& r) {
  const QRect area(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
  if (painter_->hasClipping())
    painter_->setClipRect(area, Qt::IntersectClip);
  else
    painter_->setClipRect(area, Qt::ReplaceClip);
}

void Canvas::RestoreClip(const ClipState& state) {
  if (state.Enabled)
    painter_->setClipRect(state.area, Qt::ReplaceClip);
  else
    painter_->setClipping(false);
}

int Canvas::Width() const {
  const QPaintDevice* dev = painter_->device();
  return dev ? dev->width() : 0;
}

int Canvas::Height() const {
  const QPaintDevice* dev = painter_->device();
  return dev ? dev->height() : 0;
}

}  // namespace pulse::plot
