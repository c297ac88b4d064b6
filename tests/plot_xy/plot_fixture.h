// Shared set-up of the XY plot tests: a plot with the main window's settings, a font with
// fixed measures and pixel probes.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>

#include "plot/canvas.h"
#include "plot/line_marker.h"
#include "plot/xy_line.h"
#include "plot/xy_plot.h"

namespace pulse::test {

// A font whose "0" is exactly `charWidth` wide and whose height is `textHeight` pixels.
inline plot::CanvasFont FixedFont(int charWidth, int textHeight) {
  QFont f("WenQuanYi Micro Hei");
  f.setPixelSize(textHeight);
  const int adv = QFontMetrics(f).horizontalAdvance(QStringLiteral("0"));
  f.setLetterSpacing(QFont::AbsoluteSpacing, charWidth - adv);
  plot::CanvasFont cf;
  cf.face = f;
  cf.Color = plot::clBlack;
  return cf;
}

// The axes, series and marker as the main window stores them for its waveform views.
inline void ApplyMainWindowSettings(plot::Tsp_XYPlot& p, plot::Tsp_XYLine* line,
                                    plot::Tsp_LineMarker* marker) {
  p.SetZoom(plot::zpdNone);
  p.SetPan(plot::zpdNone);
  p.SetPanCursor(plot::crHandPoint);
  p.SetBorderStyle(plot::bs_Gutter);
  p.SetFieldColor(plot::clNavy);
  p.SetColor(plot::clBtnFace);
  p.SetBufferedDisplay(true);

  plot::Tsp_LineAttr dottedBlueGrid;
  dottedBlueGrid.SetColor(plot::clBlue);
  dottedBlueGrid.SetStyle(plot::psDot);
  dottedBlueGrid.SetVisible(true);

  plot::Tsp_Axis& l = p.LeftAxis();  // flags 25: vertical, no tick marks, no labels
  l.SetMargin(5);
  l.SetCaption("mmHO2");
  l.SetTicksLines(false);
  l.SetNoTicksLabel(true);
  l.SetTicksCount(11);
  l.LineAttr().SetVisible(false);
  l.SetGridAttr(dottedBlueGrid);
  l.SetMinMax(-10, 10);

  plot::Tsp_Axis& r = p.RightAxis();  // flags 33: vertical, far side, labels and tick marks
  r.SetMargin(4);
  r.SetTicksLines(true);
  r.SetNoTicksLabel(false);
  r.SetTicksCount(11);
  r.SetMinMax(-10, 10);

  plot::Tsp_Axis& b = p.BottomAxis();  // flags 512: evenly spaced ticks
  b.SetMargin(3);
  b.SetTicksAdjusted(false);
  b.SetTicksCount(21);
  b.SetGridAttr(dottedBlueGrid);
  b.SetMinMax(0, 20);

  plot::Tsp_Axis& t = p.TopAxis();  // flags 56 as created
  t.SetMargin(4);
  t.SetTicksCount(3);
  t.LineAttr().SetVisible(false);
  t.SetMinMax(0, 10);

  if (line) {
    line->SetPlot(&p);
    line->LineAttr().SetColor(plot::clWhite);
    line->LineAttr().SetVisible(true);
    line->PointAttr().SetStyle(plot::bsClear);
    line->PointAttr().SetKind(plot::ptRectangle);
    line->PointAttr().SetVisible(false);
    line->PointAttr().SetBorderColor(plot::clMaroon);
  }
  if (marker) {
    marker->SetPlot(&p);
    marker->SetWhenDraw(plot::dmBeforeSeries);
    marker->SetPen(plot::CanvasPen{plot::clNavy, plot::psDot, 1, plot::pmCopy});
    marker->SetBrush(plot::CanvasBrush{plot::clGray, plot::bsSolid});
    marker->SetOrientation(plot::loHorizontal);
  }
}

inline QRgb Rgb(plot::TColor c) {
  return plot::ToQColor(c).rgb();
}

// Pixel of the plot's picture as 0xRRGGBB (alpha dropped).
inline QRgb PixelAt(const QImage& img, int x, int y) {
  return img.pixel(x, y) & 0xFFFFFFu;
}
inline QRgb Expect(plot::TColor c) {
  return Rgb(c) & 0xFFFFFFu;
}

// A 300 × 200 plot (or the size given) over 0..10 on both axes, no grid, with one red line.
struct LinePlot {
  plot::Tsp_XYPlot p;
  plot::Tsp_XYLine line;
  explicit LinePlot(int w = 300, int h = 200) {
    p.SetSize(w, h);
    p.LeftAxis().SetMinMax(0, 10);
    p.BottomAxis().SetMinMax(0, 10);
    p.LeftAxis().GridAttr().SetVisible(false);
    p.BottomAxis().GridAttr().SetVisible(false);
    line.SetPlot(&p);
    line.LineAttr().SetColor(plot::clRed);
  }
  QImage Render() {
    p.Paint();
    return p.Screen().copy();
  }
  int Px(double v) { return p.BottomAxis().ValueToPixel(v); }
  int Py(double v) { return p.LeftAxis().ValueToPixel(v); }
};

}  // namespace pulse::test
