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

namespace plot_test {

// A font whose "0" is exactly `charWidth` wide and whose height is `textHeight` pixels.
inline plot::CanvasFont FixedFont(int charWidth, int textHeight) {
  QFont f("WenQuanYi Micro Hei");
  f.setPixelSize(textHeight);
  const int adv = QFontMetrics(f).horizontalAdvance(QStringLiteral("0"));
  f.setLetterSpacing(QFont::AbsoluteSpacing, charWidth - adv);
  plot::CanvasFont cf;
  cf.Face = f;
  cf.Color = clBlack;
  return cf;
}

// The axes, series and marker as the main window stores them for its waveform views.
inline void ApplyMainWindowSettings(Tsp_XYPlot& p, Tsp_XYLine* line, Tsp_LineMarker* marker) {
  p.SetZoom(zpdNone);
  p.SetPan(zpdNone);
  p.SetPanCursor(crHandPoint);
  p.SetBorderStyle(bs_Gutter);
  p.SetFieldColor(clNavy);
  p.SetColor(clBtnFace);
  p.SetBufferedDisplay(true);

  Tsp_LineAttr dottedBlueGrid;
  dottedBlueGrid.SetColor(clBlue);
  dottedBlueGrid.SetStyle(psDot);
  dottedBlueGrid.SetVisible(true);

  Tsp_Axis& l = p.LeftAxis();  // flags 25: vertical, no tick marks, no labels
  l.SetMargin(5);
  l.SetCaption("mmHO2");
  l.SetTicksLines(false);
  l.SetNoTicksLabel(true);
  l.SetTicksCount(11);
  l.LineAttr().SetVisible(false);
  l.SetGridAttr(dottedBlueGrid);
  l.SetMinMax(-10, 10);

  Tsp_Axis& r = p.RightAxis();  // flags 33: vertical, far side, labels and tick marks
  r.SetMargin(4);
  r.SetTicksLines(true);
  r.SetNoTicksLabel(false);
  r.SetTicksCount(11);
  r.SetMinMax(-10, 10);

  Tsp_Axis& b = p.BottomAxis();  // flags 512: evenly spaced ticks
  b.SetMargin(3);
  b.SetTicksAdjusted(false);
  b.SetTicksCount(21);
  b.SetGridAttr(dottedBlueGrid);
  b.SetMinMax(0, 20);

  Tsp_Axis& t = p.TopAxis();  // flags 56 as created
  t.SetMargin(4);
  t.SetTicksCount(3);
  t.LineAttr().SetVisible(false);
  t.SetMinMax(0, 10);

  if (line) {
    line->SetPlot(&p);
    line->LineAttr().SetColor(clWhite);
    line->LineAttr().SetVisible(true);
    line->PointAttr().SetStyle(bsClear);
    line->PointAttr().SetKind(ptRectangle);
    line->PointAttr().SetVisible(false);
    line->PointAttr().SetBorderColor(clMaroon);
  }
  if (marker) {
    marker->SetPlot(&p);
    marker->SetWhenDraw(dmBeforeSeries);
    marker->SetPen(plot::CanvasPen{clNavy, psDot, 1, pmCopy});
    marker->SetBrush(plot::CanvasBrush{clGray, bsSolid});
    marker->SetOrientation(loHorizontal);
  }
}

inline QRgb Rgb(TColor c) {
  return plot::ToQColor(c).rgb();
}

// Pixel of the plot's picture as 0xRRGGBB (alpha dropped).
inline QRgb PixelAt(const QImage& img, int x, int y) {
  return img.pixel(x, y) & 0xFFFFFFu;
}
inline QRgb Expect(TColor c) {
  return Rgb(c) & 0xFFFFFFu;
}

}  // namespace plot_test
