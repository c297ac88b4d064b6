// The surface the plot library draws on: a thin layer over QPainter that keeps the pixel
// rules of the library (a line leaves out its end pixel; a rectangle from (x1, y1) to
// (x2, y2) covers columns x1..x2-1 and rows y1..y2-1), pen modes and a clip that can be
// saved and restored. Works on a QImage and on any other QPaintDevice (printers); the
// exclusive-or and inverting pen modes need a raster device (QImage, RGB32 preferred).
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QRect>
#include <QRgb>

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "plot/colors.h"
#include "plot/pen.h"
#include "plot/rect.h"

class QColor;
class QPaintDevice;

namespace pulse::plot {

// A font with the colour text is drawn in and an orientation in tenths of a degree,
// counter-clockwise (900: text runs upward and its cell lies right of the start point).
struct CanvasFont {
  QFont face;
  TColor Color = clBlack;
  int Orientation = 0;
  bool operator==(const CanvasFont&) const = default;
};

// The bold copy of a font turned 90 degrees counter-clockwise, used for vertical captions.
[[nodiscard]] CanvasFont MakeVerticalFont(const CanvasFont& font);

[[nodiscard]] QColor ToQColor(TColor c);

// Saved clip state (see Canvas::SaveClip).
struct ClipState {
  bool Enabled = false;
  QRect area;
};

// A 32-bit image's pixels with the clip and how to paint them (used by Canvas for 1-px lines).
struct PixelRun {
  QRgb* bits = nullptr;
  qsizetype stride = 0;
  QRect clip;  // device pixels
  TPenMode mode = pmCopy;
  int width = 1;                 // pixels across the line
  QRgb on = 0;                   // pen colour
  QRgb off = 0;                  // brush colour, for the gaps of a pattern
  bool paint_off = false;        // the gaps are painted (patterned pen over a solid brush)
  std::array<int, 6> pattern{};  // on, off, ... in pixels
  std::size_t pattern_size = 0;  // 0: solid
};

class Canvas {
 public:
  // Opens its own painter on the device and ends it when destroyed.
  explicit Canvas(QPaintDevice* device);
  // Draws through a painter that is already active on some device; the canvas does not end it.
  explicit Canvas(QPainter& painter);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Current drawing state; changes take effect at the next drawing call.
  [[nodiscard]] CanvasPen& Pen() { return pen_; }
  [[nodiscard]] CanvasBrush& Brush() { return brush_; }
  [[nodiscard]] CanvasFont& Font() { return font_; }
  [[nodiscard]] const CanvasPen& Pen() const { return pen_; }
  [[nodiscard]] const CanvasBrush& Brush() const { return brush_; }
  [[nodiscard]] const CanvasFont& Font() const { return font_; }
  void SetFont(const CanvasFont& font) { font_ = font; }

  // Lines leave out their end pixel, so joined segments paint every pixel once. A patterned
  // pen shows the brush colour in its gaps unless the brush is clear.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Line(int x1, int y1, int x2, int y2);
  void Polyline(std::span<const Point> points);

  // Outline with the pen and interior with the brush, covering x1..x2-1, y1..y2-1.
  void Rectangle(int x1, int y1, int x2, int y2);
  // Brush only, same coverage as Rectangle.
  void FillRect(const Rect& r);
  // Ellipse inside the box (x1, y1)-(x2, y2), right and bottom edge excluded.
  void Ellipse(int x1, int y1, int x2, int y2);
  // Closed polygon: outline with the pen, interior with the brush.
  void Polygon(std::span<const Point> points);

  // Text with its cell's top-left at (x, y) (rotated with Font().Orientation). With a solid
  // brush the cell is filled with the brush colour first; with a clear brush it is not.
  void TextOut(int x, int y, const std::string& text);
  [[nodiscard]] int TextWidth(const std::string& text);
  [[nodiscard]] int TextHeight(const std::string& text);
  // Absolute height of the current font in pixels (the font's size, without leading).
  [[nodiscard]] int FontHeight();

  // Clipping: SaveClip remembers the current clip, IntersectClipRect narrows it, RestoreClip
  // puts the remembered one back.
  [[nodiscard]] ClipState SaveClip() const;
  void IntersectClipRect(const Rect& r);
  void RestoreClip(const ClipState& state);

  // Size of the device drawn on, in device pixels.
  [[nodiscard]] int Width() const;
  [[nodiscard]] int Height() const;

  [[nodiscard]] QPainter& Painter() { return *painter_; }

 private:
  void ApplyPen();
  void ApplyBrush();
  void ApplyFont();
  void ApplyMode(TPenMode mode);
  void DrawGaps(const QLine* lines, int count);
  // Draws the segments in lines_ (each from its start pixel up to its end pixel, exclusive).
  void DrawSegments();
  // Pixel-exact segments straight into a 32-bit image; false when the device or the
  // transform needs Qt's rasteriser.
  [[nodiscard]] bool RasterSegments();

  std::unique_ptr<QPainter> own_painter_;
  QPainter* painter_;
  CanvasPen pen_;
  CanvasBrush brush_;
  CanvasFont font_;
  CanvasFont applied_font_;
  bool font_applied_ = false;
  std::optional<QFontMetrics> metrics_;  // of the applied font on this device
  CanvasPen applied_pen_;
  bool pen_applied_ = false;  // the painter's pen matches applied_pen_
  Point pos_;
  std::vector<QLine> lines_;  // reused by Polyline
};

}  // namespace pulse::plot
