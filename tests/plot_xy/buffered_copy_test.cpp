// Buffered paints that redraw only the field copy only the field to the screen and leave the
// border in the buffer: the screen must still equal a plot painted from nothing.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/plot_xy/plot_fixture.h"

using namespace pulse::plot;

namespace {

constexpr TShiftState kShiftLeft = ssShift | ssLeft;

struct LivePlot {
  Tsp_XYPlot p;
  Tsp_XYLine line;
  Tsp_LineMarker marker;
  explicit LivePlot(Tsp_BorderStyle border = bs_Gutter, double dpr = 1.0) {
    p.SetFont(pulse::test::FixedFont(8, 12));
    pulse::test::ApplyMainWindowSettings(p, &line, &marker);
    p.SetBorderStyle(border);
    p.SetZoom(zpdBoth);
    p.SetSize(400, 160);
    p.SetDevicePixelRatio(dpr);
    marker.SetPosition(2);
  }
  void Feed(int from, int to) {
    for (int i = from; i < to; ++i) line.AddPoint(i * 0.1, (i % 7) - 3);
  }
};

// A second plot with the same state, painted once.
QImage Fresh(Tsp_BorderStyle border, double dpr, int points, bool cursorAt = false, double x = 0) {
  LivePlot f(border, dpr);
  f.Feed(0, points);
  if (cursorAt) {
    f.p.SetXCursorVal(x);
    f.p.SetXCursorOn(true);
  }
  f.p.Paint();
  return f.p.Screen().copy();
}

TEST(BufferedCopy, FieldRepaintsEqualAFreshPaintForEveryBorderAndScale) {
  for (Tsp_BorderStyle border : {bs_Gutter, bs_None, bs_Raised, bs_BoldRect, bs_FocusRect}) {
    for (double dpr : {1.0, 1.5, 2.0}) {
      SCOPED_TRACE(testing::Message() << "border " << border << " dpr " << dpr);
      LivePlot t(border, dpr);
      t.p.SetXCursorVal(7.3);
      t.p.SetXCursorOn(true);
      t.p.Paint();
      const long frames = t.p.FrameRenders();
      for (int round = 0; round < 3; ++round) {
        t.Feed(round * 40, (round + 1) * 40);
        t.p.Paint();
      }
      ASSERT_EQ(t.p.FrameRenders(), frames) << "only the field was redrawn";
      EXPECT_EQ(t.p.Screen(), Fresh(border, dpr, 120, true, 7.3));
      // The cursor line still erases bit for bit after those partial copies.
      t.p.SetXCursorOn(false);
      EXPECT_EQ(t.p.Screen(), Fresh(border, dpr, 120));
    }
  }
}

TEST(BufferedCopy, BandAcrossTheFrameSurvivesAFieldRepaintAndErases) {
  LivePlot t;
  t.Feed(0, 50);
  t.p.Paint();
  const TRect f = t.p.FieldRect();
  const int x0 = f.left + 40, y0 = f.top + 30;
  t.p.MouseDown(mbLeft, kShiftLeft, x0, y0);
  t.p.MouseMove(kShiftLeft, 2, 2);  // the band reaches into the frame
  ASSERT_EQ(t.p.GetMouseState(), Tsp_XYPlot::MouseState::kZooming);
  t.Feed(50, 90);
  t.p.Paint();
  EXPECT_EQ(t.p.FrameRenders(), 1);
  // Back to a band too small to zoom: the release only erases it.
  t.p.MouseMove(kShiftLeft, x0 + 1, y0 + 1);
  t.p.MouseUp(mbLeft, ssShift, x0 + 1, y0 + 1);
  EXPECT_EQ(t.p.Screen(), Fresh(bs_Gutter, 1.0, 90));
}

TEST(BufferedCopy, DrawingOnTheScreenOutsideAPaintIsReplacedWhole) {
  LivePlot t;
  t.Feed(0, 30);
  t.p.Paint();
  pulse::plot::Canvas* c = t.p.DrawingCanvas();
  ASSERT_NE(c, nullptr);
  c->Brush() = pulse::plot::CanvasBrush{clYellow, bsSolid};
  c->FillRect({0, 0, 6, 6});  // over the border and frame
  t.p.ScreenChanged();
  t.Feed(30, 60);
  t.p.Paint();
  EXPECT_EQ(t.p.Screen(), Fresh(bs_Gutter, 1.0, 60));
}

TEST(BufferedCopy, BorderComesBackAfterADrawEndHandlerCoveredIt) {
  LivePlot t;
  t.Feed(0, 30);
  int ends = 0;
  t.p.OnDrawEnd = [&](Tsp_XYPlot& s) {
    if (ends++ > 0) return;
    s.DrawingCanvas()->Brush() = pulse::plot::CanvasBrush{clYellow, bsSolid};
    s.DrawingCanvas()->FillRect({0, 0, s.Width(), 2});
  };
  t.p.Paint();
  t.Feed(30, 60);
  t.p.Paint();
  ASSERT_EQ(ends, 2);
  EXPECT_EQ(t.p.FrameRenders(), 1);
  // The gutter's two top rows, but for the last column, are the border's alone: drawn again
  // after the handler.
  const QImage fresh = Fresh(bs_Gutter, 1.0, 60);
  const QImage img = t.p.Screen();
  for (int x = 0; x + 1 < img.width(); ++x)
    for (int y = 0; y < 2; ++y) ASSERT_EQ(img.pixel(x, y), fresh.pixel(x, y)) << x << "," << y;
}

TEST(BufferedCopy, ScreenPictureIsNotSharedWithWhatTheHostKept) {
  LivePlot t;
  t.Feed(0, 30);
  t.p.Paint();
  const QImage kept = t.p.Screen().copy();
  const QImage shown = t.p.Screen();  // a host holding on to the picture
  t.Feed(30, 60);
  t.p.Paint();
  EXPECT_EQ(shown, kept) << "what the host holds does not change under it";
  EXPECT_EQ(t.p.Screen(), Fresh(bs_Gutter, 1.0, 60));
}

}  // namespace
