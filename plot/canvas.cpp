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

#include <cmath>
#include <cstdlib>
#include <vector>

namespace plot {

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

}  // namespace

QColor ToQColor(TColor c) {
  const std::uint32_t bgr = ColorToRgb(c);
  return QColor(RedOf(bgr), GreenOf(bgr), BlueOf(bgr));
}

CanvasFont MakeVerticalFont(const CanvasFont& font) {
  CanvasFont v = font;
  v.Face.setBold(true);
  v.Orientation = 900;
  return v;
}

Canvas::Canvas(QPaintDevice* device)
    : own_painter_(std::make_unique<QPainter>(device)), painter_(own_painter_.get()) {
  painter_->setRenderHint(QPainter::Antialiasing, false);
  font_.Face = painter_->font();
}

Canvas::Canvas(QPainter& painter) : painter_(&painter) {
  painter_->setRenderHint(QPainter::Antialiasing, false);
  font_.Face = painter_->font();
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
  ApplyMode(pen_.Mode);
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
  if (font_applied_ && applied_font_.Face == font_.Face) return;
  painter_->setFont(font_.Face);
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
  ApplyPen();
  const QLine line = ToPaintedLine(x1, y1, x2, y2);
  painter_->drawLine(line);
  DrawGaps(&line, 1);
}

void Canvas::Polyline(std::span<const Point> points) {
  if (points.empty()) return;
  pos_ = points.back();
  if (pen_.Style == psClear || points.size() < 2) return;
  ApplyPen();
  // Separate segments, each leaving out its own end pixel: a joined path would paint the
  // vertices by Qt's own rules, which breaks exclusive-or outlines.
  lines_.clear();
  for (std::size_t i = 1; i < points.size(); ++i) {
    const Point a = points[i - 1];
    const Point b = points[i];
    if (a == b) continue;
    lines_.push_back(ToPaintedLine(a.x, a.y, b.x, b.y));
  }
  if (lines_.empty()) return;
  painter_->drawLines(lines_.data(), static_cast<int>(lines_.size()));
  DrawGaps(lines_.data(), static_cast<int>(lines_.size()));
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
  if (brush_.Style == bsClear || r.Right <= r.Left || r.Bottom <= r.Top) return;
  ApplyMode(pmCopy);
  painter_->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQColor(brush_.Color));
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
  const QFont& f = font_.Face;
  if (f.pixelSize() > 0) return f.pixelSize();
  const QPaintDevice* dev = painter_->device();
  const int dpi = dev ? dev->logicalDpiY() : 96;
  return static_cast<int>(std::lround(f.pointSizeF() * dpi / 72.0));
}

ClipState Canvas::SaveClip() const {
  ClipState s;
  s.Enabled = painter_->hasClipping();
  if (s.Enabled) s.Area = painter_->clipBoundingRect().toAlignedRect();
  return s;
}

void Canvas::IntersectClipRect(const Rect& r) {
  const QRect area(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
  if (painter_->hasClipping())
    painter_->setClipRect(area, Qt::IntersectClip);
  else
    painter_->setClipRect(area, Qt::ReplaceClip);
}

void Canvas::RestoreClip(const ClipState& state) {
  if (state.Enabled)
    painter_->setClipRect(state.Area, Qt::ReplaceClip);
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

}  // namespace plot
