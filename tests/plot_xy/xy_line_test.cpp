// Drawing of a line series: the far-segment rule, point marks, and the batched drawing that
// must give the very pixels of drawing each segment alone.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "tests/plot_xy/plot_fixture.h"

using namespace pulse::plot;

namespace {

using pulse::test::Expect;
using pulse::test::PixelAt;

using pulse::test::LinePlot;

TEST(XYLine, SegmentWithBothEndsFarIsSkipped) {
  LinePlot t;
  // Both ends collapse onto the clamp, far left and far right, at a height inside the field.
  t.line.AddPoint(-1e9, 5);
  t.line.AddPoint(1e9, 5);
  QImage img = t.Render();
  EXPECT_EQ(PixelAt(img, t.Px(5), t.Py(5)), Expect(clWhite));
  // One end inside: drawn (clipped to the field).
  t.line.Clear();
  t.line.AddPoint(-1e9, 5);
  t.line.AddPoint(5, 5);
  img = t.Render();
  EXPECT_EQ(PixelAt(img, t.p.FieldRect().left, t.Py(5)), Expect(clRed));
  EXPECT_EQ(PixelAt(img, t.Px(4), t.Py(5)), Expect(clRed));
  // The state carries on: a far point followed by an inside one and another far one.
  t.line.AddPoint(1e9, 6);
  t.line.AddPoint(-1e9, 6);  // far to far: skipped
  img = t.Render();
  EXPECT_EQ(PixelAt(img, t.Px(2), t.Py(6)), Expect(clWhite));
}

TEST(XYLine, NothingDrawnOutsideRangeInactiveOrSinglePoint) {
  LinePlot t;
  t.line.AddPoint(20, 5);
  t.line.AddPoint(30, 5);  // right of the bottom axis range
  t.line.PointAttr().SetVisible(true);
  QImage img = t.Render();
  const TRect f = t.p.FieldRect();
  EXPECT_EQ(PixelAt(img, f.right - 1, t.Py(5)), Expect(clWhite));

  LinePlot u;
  u.line.AddPoint(5, 5);  // a line needs two points; marks are off
  img = u.Render();
  EXPECT_EQ(PixelAt(img, u.Px(5), u.Py(5)), Expect(clWhite));
  u.line.AddPoint(6, 5);
  u.line.SetActive(false);
  img = u.Render();
  EXPECT_EQ(PixelAt(img, u.Px(5), u.Py(5)), Expect(clWhite));
}

TEST(XYLine, RectangleAndCrossMarksAreSymmetric) {
  LinePlot t;
  t.line.LineAttr().SetVisible(false);
  Tsp_PointAttr& a = t.line.PointAttr();
  a.SetVisible(true);
  a.SetBorderColor(clBlue);
  a.SetColor(clYellow);
  t.line.AddPoint(5, 5);
  QImage img = t.Render();
  const int x = t.Px(5), y = t.Py(5);
  // 5 x 5: halves 2 and 3, right and bottom edges excluded: x-2..x+2.
  EXPECT_EQ(PixelAt(img, x - 2, y - 2), Expect(clBlue));
  EXPECT_EQ(PixelAt(img, x + 2, y + 2), Expect(clBlue));
  EXPECT_EQ(PixelAt(img, x + 3, y), Expect(clWhite));
  EXPECT_EQ(PixelAt(img, x - 3, y), Expect(clWhite));
  EXPECT_EQ(PixelAt(img, x, y), Expect(clYellow));

  a.SetKind(ptCross);
  img = t.Render();
  EXPECT_EQ(PixelAt(img, x - 2, y), Expect(clBlue));
  EXPECT_EQ(PixelAt(img, x + 2, y), Expect(clBlue));
  EXPECT_EQ(PixelAt(img, x, y - 2), Expect(clBlue));
  EXPECT_EQ(PixelAt(img, x, y + 2), Expect(clBlue));
  EXPECT_EQ(PixelAt(img, x + 1, y + 1), Expect(clWhite));
}

TEST(XYLine, CustomMarksOnlyForPointsInsideTheField) {
  LinePlot t;
  t.line.LineAttr().SetVisible(false);
  t.line.PointAttr().SetVisible(true);
  t.line.PointAttr().SetKind(ptCustom);
  t.line.AddPoint(5, 5);
  t.line.AddPoint(50, 5);  // right of the field
  t.line.AddPoint(2, 3);
  // Without a handler nothing is drawn.
  QImage img = t.Render();
  EXPECT_EQ(PixelAt(img, t.Px(5) - 2, t.Py(5) - 2), Expect(clWhite));
  std::vector<double> seen;
  t.line.OnDrawCustomPoint = [&](Tsp_XYLine& s, double xv, double yv, int x, int y) {
    EXPECT_EQ(&s, &t.line);
    EXPECT_EQ(x, t.Px(xv));
    EXPECT_EQ(y, t.Py(yv));
    seen.push_back(xv);
  };
  t.line.LineAttr().SetColor(clGreen);  // any look change asks for a field repaint
  t.Render();
  EXPECT_EQ(seen, (std::vector<double>{5, 2}));
}

int CountColor(const QImage& img, QRgb c) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFFu) == c;
  return n;
}

TEST(XYLine, SegmentsKeepStartPixelAndLeaveOutEndPixel) {
  // Eight directions from the centre of a 0..100 field; one pixel per value unit.
  const int dirs[][2] = {{30, 0},  {-30, 0},  {0, 30},    {0, -30},
                         {30, 12}, {-12, 30}, {-30, -30}, {7, -30}};
  // Only the direct rasteriser is held to this: lines through the canvas may miss the start
  // pixel for some directions.
  {
    const bool fast = true;
    for (const auto& d : dirs) {
      LinePlot t(300, 300);
      t.p.BottomAxis().SetMinMax(0, 200);
      t.p.LeftAxis().SetMinMax(0, 200);
      t.line.SetRasterFastPath(fast);
      t.Render();
      t.p.SetSize(300 + 201 - t.p.FieldRect().Width(), 300 + 201 - t.p.FieldRect().Height());
      t.Render();
      ASSERT_EQ(t.Px(100) - t.Px(0), 100);
      t.line.AddPoint(100, 100);
      t.line.AddPoint(100 + d[0], 100 + d[1]);
      const QImage img = t.Render();
      const int x0 = t.Px(100), y0 = t.Py(100);
      const int x1 = t.Px(100 + d[0]), y1 = t.Py(100 + d[1]);
      EXPECT_EQ(PixelAt(img, x0, y0), Expect(clRed)) << d[0] << "," << d[1] << " fast " << fast;
      EXPECT_NE(PixelAt(img, x1, y1), Expect(clRed)) << d[0] << "," << d[1] << " fast " << fast;
      EXPECT_EQ(CountColor(img, Expect(clRed)), std::max(std::abs(x1 - x0), std::abs(y1 - y0)))
          << d[0] << "," << d[1] << " fast " << fast;
    }
  }
}

TEST(XYLine, ClippedSegmentCoversEveryFieldColumnAndNothingOutside) {
  LinePlot t;
  const QImage empty = t.Render();
  t.line.AddPoint(5, 5);
  t.line.AddPoint(1000, 7);  // far beyond the right edge, not far enough to be skipped
  t.line.AddPoint(1, 3);     // back from far: drawn, clipped
  const QImage img = t.Render();
  const TRect f = t.p.FieldRect();
  for (int x = f.left; x < f.right; ++x) {
    int hits = 0;
    for (int y = f.top; y < f.bottom; ++y) hits += PixelAt(img, x, y) == Expect(clRed);
    // The end pixel at column Px(1) is left out.
    if (x > t.Px(1)) {
      ASSERT_GE(hits, 1) << "column " << x;
    }
  }
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (!f.Contains(x, y)) {
        ASSERT_EQ(img.pixel(x, y), empty.pixel(x, y)) << x << "," << y;
      }
}

TEST(XYLine, LegendSampleDrawsLineAndMark) {
  Tsp_XYLine s;
  s.LineAttr().SetColor(clRed);
  s.PointAttr().SetVisible(true);
  s.PointAttr().SetBorderColor(clBlue);
  QImage img(40, 20, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    pulse::plot::Canvas c(&img);
    s.DrawLegendSample(c, TRect{0, 0, 40, 20});
  }
  EXPECT_EQ(PixelAt(img, 0, 10), Expect(clWhite));  // starts at left + 1
  EXPECT_EQ(PixelAt(img, 1, 10), Expect(clRed));
  EXPECT_EQ(PixelAt(img, 18, 8), Expect(clBlue));  // mark box 18..22 around (20, 10)
}

TEST(XYLine, AddPointAndDrawPaintsTheSegmentWithoutARepaint) {
  LinePlot t;
  t.p.SetBufferedDisplay(true);
  t.line.AddPoint(1, 1);
  t.Render();
  int requests = 0;
  t.p.OnRequestUpdate = [&] { ++requests; };
  t.line.AddPointAndDraw(9, 1);
  EXPECT_FALSE(t.p.NeedsPaint());
  EXPECT_FALSE(t.p.FieldValid());  // the buffer is stale now
  const QImage img = t.p.Screen();
  EXPECT_EQ(PixelAt(img, t.Px(5), t.Py(1)), Expect(clRed));
  EXPECT_EQ(requests, 1);  // only to show the changed screen
}

}  // namespace
