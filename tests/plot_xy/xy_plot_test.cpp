// Layout, paint order, layer invalidation, automatic ranges, borders and DrawTo of the plot.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/plot_xy/plot_fixture.h"

using namespace pulse::plot;

namespace {

using pulse::test::Expect;
using pulse::test::PixelAt;

TEST(XYPlotLayout, MainWindowExample) {
  Tsp_XYPlot p;
  p.SetFont(pulse::test::FixedFont(8, 12));
  pulse::test::ApplyMainWindowSettings(p, nullptr, nullptr);
  p.SetSize(781, 168);
  p.Paint();
  EXPECT_EQ(p.FieldRect(), (TRect{9, 10, 747, 147}));
  // Axis lines just outside the field; Min of the bottom axis on column L, Max on R - 1.
  EXPECT_EQ(p.BottomAxis().ValueToPixel(0), 9);
  EXPECT_EQ(p.BottomAxis().ValueToPixel(20), 746);
  EXPECT_EQ(p.LeftAxis().ValueToPixel(-10), 146);
  EXPECT_EQ(p.LeftAxis().ValueToPixel(10), 10);
}

TEST(XYPlotLayout, TinyPlotKeepsThreePixelField) {
  Tsp_XYPlot p;
  p.SetSize(5, 5);
  p.Paint();
  EXPECT_EQ(p.FieldRect().Width(), 3);
  EXPECT_EQ(p.FieldRect().Height(), 3);
}

// A plot whose field and axes are easy to probe: white field, grey grid, no labels in the way.
struct ProbePlot {
  Tsp_XYPlot p;
  Tsp_XYLine line;
  ProbePlot() {
    p.SetSize(300, 200);
    p.LeftAxis().SetMinMax(0, 10);
    p.BottomAxis().SetMinMax(0, 10);
    p.LeftAxis().GridAttr().SetColor(clGray);
    p.BottomAxis().GridAttr().SetColor(clGray);
    line.SetPlot(&p);
    line.LineAttr().SetColor(clRed);
  }
};

TEST(XYPlotPaint, GridUnderSeriesAndMarkersAroundIt) {
  ProbePlot t;
  Tsp_XYPlot& p = t.p;
  Tsp_LineMarker before, after;
  before.SetPlot(&p);
  before.SetOrientation(loHorizontal);
  before.SetPen(pulse::plot::CanvasPen{clBlue, psSolid, 1, pmCopy});
  after.SetPlot(&p);
  after.SetWhenDraw(dmAfterSeries);
  after.SetOrientation(loVertical);
  after.SetPen(pulse::plot::CanvasPen{clLime, psSolid, 1, pmCopy});
  // Series: horizontal at y = 5 (under the before-marker's row when it sits there too).
  t.line.AddPoint(0, 5);
  t.line.AddPoint(10, 5);
  before.SetPosition(5);
  after.SetPosition(5);
  p.Paint();
  const QImage img = p.Screen();
  const int y5 = p.LeftAxis().ValueToPixel(5);
  const int x5 = p.BottomAxis().ValueToPixel(5);
  const int x2 = p.BottomAxis().ValueToPixel(2.5);  // a grid column (ticks every 2.5)
  const int y8 = p.LeftAxis().ValueToPixel(8);
  EXPECT_EQ(PixelAt(img, x2, y5), Expect(clRed)) << "series over grid";
  EXPECT_EQ(PixelAt(img, x2, y8), Expect(clGray)) << "grid";
  EXPECT_EQ(PixelAt(img, x5 + 7, y5), Expect(clRed)) << "series over the before-marker";
  EXPECT_EQ(PixelAt(img, x5, y5), Expect(clLime)) << "after-marker over the series";
  EXPECT_EQ(PixelAt(img, x5, y8), Expect(clLime));
  EXPECT_EQ(PixelAt(img, x5 + 7, y8), Expect(clWhite)) << "field";
  // The grid line on the field's first column (the bottom axis Min) is left out.
  EXPECT_EQ(PixelAt(img, p.FieldRect().left, y8), Expect(clWhite));
}

TEST(XYPlotPaint, AppendRedrawsFieldOnlyAndCoalesces) {
  ProbePlot t;
  Tsp_XYPlot& p = t.p;
  p.SetBufferedDisplay(true);
  int requests = 0;
  p.OnRequestUpdate = [&] { ++requests; };
  p.Paint();
  const long frames = p.FrameRenders(), fields = p.FieldRenders();
  requests = 0;

  t.line.AddPoint(0, 1);
  EXPECT_TRUE(p.LayoutValid());
  EXPECT_TRUE(p.FrameValid());
  EXPECT_FALSE(p.FieldValid());
  for (int i = 1; i < 100; ++i) t.line.AddPoint(i * 0.1, 1 + (i % 2));
  EXPECT_EQ(requests, 1) << "one paint request for a hundred appends";
  p.Paint();
  EXPECT_EQ(p.FieldRenders(), fields + 1);
  EXPECT_EQ(p.FrameRenders(), frames);
  // The newest point made it into that one picture.
  const QImage img = p.Screen();
  const int xl = p.BottomAxis().ValueToPixel(9.8), yl = p.LeftAxis().ValueToPixel(1);
  EXPECT_EQ(PixelAt(img, xl, yl), Expect(clRed));

  // A request that names the frame redraws it.
  p.BottomAxis().SetCaption("t");
  p.Paint();
  EXPECT_EQ(p.FrameRenders(), frames + 1);
  EXPECT_EQ(p.FieldRenders(), fields + 2);
  // Nothing requested: a paint from an expose only copies.
  p.Paint();
  EXPECT_EQ(p.FrameRenders(), frames + 1);
  EXPECT_EQ(p.FieldRenders(), fields + 2);
}

TEST(XYPlotPaint, DirectModeDrawsEverythingEachPaint) {
  ProbePlot t;
  Tsp_XYPlot& p = t.p;
  EXPECT_FALSE(p.BufferedDisplay());
  p.Paint();
  const long frames = p.FrameRenders();
  p.Paint();
  EXPECT_EQ(p.FrameRenders(), frames + 1);
  // Switching buffering invalidates everything both ways.
  p.SetBufferedDisplay(true);
  EXPECT_FALSE(p.LayoutValid() || p.FrameValid() || p.FieldValid());
  p.Paint();
  EXPECT_TRUE(p.LayoutValid() && p.FrameValid() && p.FieldValid());
  p.SetBufferedDisplay(false);
  EXPECT_FALSE(p.LayoutValid() || p.FrameValid() || p.FieldValid());
  EXPECT_TRUE(p.NeedsPaint());
}

TEST(XYPlotPaint, FieldColorNoneLeavesFieldButRunsFieldDraw) {
  ProbePlot t;
  Tsp_XYPlot& p = t.p;
  p.SetFieldColor(clNone);
  int fieldDraws = 0;
  TRect fieldSeen;
  p.OnFieldDraw = [&](Tsp_XYPlot& s) {
    ++fieldDraws;
    fieldSeen = s.FieldRect();
    // Drawing outside the field is clipped away.
    s.DrawingCanvas()->Brush() = pulse::plot::CanvasBrush{clYellow, bsSolid};
    s.DrawingCanvas()->FillRect({0, 0, 3, 3});
  };
  QImage img(300, 200, QImage::Format_RGB32);
  img.fill(Qt::magenta);
  {
    pulse::plot::Canvas c(&img);
    p.DrawTo(&c, 300, 200);
  }
  EXPECT_EQ(fieldDraws, 1);
  const int cx = fieldSeen.left + 3, cy = fieldSeen.top + 2;
  EXPECT_EQ(PixelAt(img, cx, cy), 0xFF00FFu) << "field left unfilled";
  EXPECT_EQ(PixelAt(img, 2, 2), Expect(clBtnFace)) << "frame filled, field draw clipped";
}

TEST(XYPlotPaint, DrawToAnotherSizeLeavesTheControlAsItWas) {
  ProbePlot t;
  Tsp_XYPlot& p = t.p;
  p.SetBufferedDisplay(true);
  p.SetFieldColor(clNavy);
  t.line.AddPoint(0, 0);
  t.line.AddPoint(10, 10);
  p.Paint();
  const TRect field = p.FieldRect();
  const int lineLen = p.BottomAxis().LineLength();
  const long fields = p.FieldRenders();

  QImage big(640, 480, QImage::Format_RGB32);
  big.fill(Qt::black);
  TRect bigField;
  p.OnDrawEnd = [&](Tsp_XYPlot& s) { bigField = s.FieldRect(); };
  {
    pulse::plot::Canvas c(&big);
    p.DrawTo(&c, 640, 480);
  }
  EXPECT_GT(bigField.right, 500);
  EXPECT_GT(bigField.bottom, 400);
  EXPECT_EQ(PixelAt(big, 639 - 3, 3), Expect(clBtnFace));
  EXPECT_EQ(PixelAt(big, bigField.left + 5, bigField.top + 2), Expect(clNavy));
  // The diagonal runs corner to corner of the big field.
  EXPECT_EQ(PixelAt(big, bigField.left, bigField.bottom - 1), Expect(clRed));

  // The control's own mapping and picture are untouched.
  EXPECT_EQ(p.FieldRect(), field);
  EXPECT_EQ(p.BottomAxis().LineLength(), lineLen);
  EXPECT_EQ(p.FieldRenders(), fields + 1);
  EXPECT_EQ(p.Screen().width(), 300);

  // Too small or no canvas: nothing at all.
  int ends = 0;
  p.OnDrawEnd = [&](Tsp_XYPlot&) { ++ends; };
  QImage small(9, 50, QImage::Format_RGB32);
  pulse::plot::Canvas sc(&small);
  p.DrawTo(&sc, 9, 50);
  p.DrawTo(nullptr, 100, 100);
  EXPECT_EQ(ends, 0);
}

TEST(XYPlotAutoScale, PadsFoundSidesAndPicksAxesBySelector) {
  Tsp_XYPlot p;
  Tsp_XYLine a, b;
  a.SetPlot(&p);
  b.SetPlot(&p);
  b.SetXAxis(dsxTop);
  b.SetYAxis(dsyRight);
  a.AddPoint(0, 20);
  a.AddPoint(40, 60);
  b.AddPoint(100, -500);
  b.AddPoint(200, 500);

  p.LeftAxis().SetAutoMin(true);
  p.LeftAxis().SetAutoMax(true);
  EXPECT_DOUBLE_EQ(p.LeftAxis().Min(), 19);  // 20 - 40 * 0.025
  EXPECT_DOUBLE_EQ(p.LeftAxis().Max(), 61);

  // Only the maximum follows: the minimum stays where it was and is not padded.
  p.BottomAxis().SetMinMax(-5, 5);
  p.BottomAxis().SetAutoMax(true);
  EXPECT_DOUBLE_EQ(p.BottomAxis().Min(), -5);
  EXPECT_DOUBLE_EQ(p.BottomAxis().Max(), 40 + 45 * 0.025);

  // The top axis follows only the series on it; the bottom axis ignores that series.
  p.TopAxis().SetAutoMax(true);
  EXPECT_DOUBLE_EQ(p.TopAxis().Max(), 200 + 200 * 0.025);  // low side: the axis Min, 0
  EXPECT_DOUBLE_EQ(p.BottomAxis().Max(), 40 + 45 * 0.025);

  // An axis without automatic sides, or without data on it, is left alone.
  EXPECT_FALSE(p.AutoScale(p.RightAxis()));
  Tsp_XYPlot empty;
  empty.LeftAxis().SetAutoMax(true);
  EXPECT_FALSE(empty.AutoScale(empty.LeftAxis()));
  // Inactive series do not count.
  b.SetActive(false);
  p.RightAxis().SetAutoMin(true);
  EXPECT_FALSE(p.AutoScale(p.RightAxis()));
}

TEST(XYPlotAutoScale, AppendBeyondRangeRelaysOut) {
  Tsp_XYPlot p;
  Tsp_XYLine a;
  a.SetPlot(&p);
  p.LeftAxis().SetAutoMax(true);
  a.AddPoint(0, 1);
  p.Paint();
  a.AddPoint(1, 100);
  EXPECT_FALSE(p.LayoutValid());
  EXPECT_DOUBLE_EQ(p.LeftAxis().Max(), 100 + (100 - p.LeftAxis().Min()) * 0.025);
}

TEST(XYPlotBorder, StylesPaintTheirRings) {
  struct Case {
    Tsp_BorderStyle style;
    TColor outer, inner, far_corner;
  };
  const Case cases[] = {
      {bs_None, clBtnFace, clBtnFace, clBtnFace},
      {bs_BlackRect, clBlack, clBtnFace, clBlack},
      {bs_BoldRect, clBlack, clBlack, clBlack},
      {bs_Gutter, clBtnShadow, clBtnHighlight, clBtnHighlight},
      {bs_Raised, clBtnHighlight, clBtnFace, clBtnShadow},
      {bs_Lowered, clBtnShadow, clBtnFace, clBtnHighlight},
  };
  for (const Case& c : cases) {
    Tsp_XYPlot p;
    p.SetSize(120, 90);
    p.SetBorderStyle(c.style);
    p.Paint();
    const QImage img = p.Screen();
    EXPECT_EQ(PixelAt(img, 0, 0), Expect(c.outer)) << int(c.style);
    EXPECT_EQ(PixelAt(img, 1, 1), Expect(c.inner)) << int(c.style);
    EXPECT_EQ(PixelAt(img, 119, 89), Expect(c.far_corner)) << int(c.style);
  }
}

TEST(XYPlotBorder, ChangeShowsAtOnceOnTheControl) {
  Tsp_XYPlot p;
  p.SetSize(120, 90);
  p.SetBufferedDisplay(true);
  p.Paint();
  p.SetBorderStyle(bs_BoldRect);
  EXPECT_EQ(PixelAt(p.Screen(), 1, 1), Expect(clBlack));
  EXPECT_FALSE(p.FrameValid());
  EXPECT_FALSE(p.FieldValid());
}

}  // namespace
