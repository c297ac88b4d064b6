// A NaN value breaks a line (the player's gap for a damaged record line), on the fast raster
// path, the painter path and the incremental append; the measurement cursors draw their line
// and handle over the wave, and nothing outside the field.
#include <gtest/gtest.h>

#include <QImage>

#include <limits>

#include "plot/cursor_marker.h"
#include "tests/plot_xy/plot_fixture.h"

using namespace pulse::plot;

namespace {

using pulse::test::Expect;
using pulse::test::PixelAt;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using GapPlot = pulse::test::LinePlot;

// A flat line at 5 from 1 to 9 with a break at x = 5: pixels near 2 and 8 are set, those
// between 4 and 6 are not, and no segment runs off towards the NaN (mapped far below the
// field), which would show as a vertical stroke under the neighbours at 4 and 6.
void ExpectBrokenAtFive(GapPlot& t, const QImage& img) {
  EXPECT_EQ(PixelAt(img, t.Px(2), t.Py(5)), Expect(clRed));
  EXPECT_EQ(PixelAt(img, t.Px(8), t.Py(5)), Expect(clRed));
  EXPECT_NE(PixelAt(img, t.Px(4.5), t.Py(5)), Expect(clRed));
  EXPECT_NE(PixelAt(img, t.Px(5.5), t.Py(5)), Expect(clRed));
  for (int x = t.Px(4) - 1; x <= t.Px(6) + 1; ++x)
    for (int y = t.Py(5) + 2; y < t.p.FieldRect().bottom; ++y)
      ASSERT_NE(PixelAt(img, x, y), Expect(clRed)) << "a stroke towards the NaN at " << x << "," << y;
}

void AddBrokenLine(GapPlot& t) {
  for (int x = 1; x <= 4; ++x) t.line.AddPoint(x, 5);
  t.line.AddPoint(5, kNaN);
  for (int x = 6; x <= 9; ++x) t.line.AddPoint(x, 5);
}

TEST(LineGap, NaNBreaksTheLineOnTheRasterPath) {
  GapPlot t;
  AddBrokenLine(t);
  ExpectBrokenAtFive(t, t.Render());
}

TEST(LineGap, NaNBreaksTheLineOnThePainterPath) {
  GapPlot t;
  t.line.LineAttr().SetWidth(2);  // wider than the raster path draws
  AddBrokenLine(t);
  ExpectBrokenAtFive(t, t.Render());
}

TEST(LineGap, AppendedPointsAfterABreakDoNotJoinIt) {
  GapPlot t;
  t.Render();
  for (int x = 1; x <= 4; ++x) t.line.AddPointAndDraw(x, 5);
  t.line.AddPointAndDraw(5, kNaN);
  for (int x = 6; x <= 9; ++x) t.line.AddPointAndDraw(x, 5);
  // The picture drawn point by point, before any full render.
  const QImage img = t.p.Screen().copy();
  EXPECT_EQ(PixelAt(img, t.Px(2), t.Py(5)), Expect(clRed));
  EXPECT_NE(PixelAt(img, t.Px(4.5), t.Py(5)), Expect(clRed));
  EXPECT_NE(PixelAt(img, t.Px(5.5), t.Py(5)), Expect(clRed));
  EXPECT_NE(PixelAt(img, t.Px(4), t.Py(3)), Expect(clRed));
  EXPECT_NE(PixelAt(img, t.Px(6), t.Py(3)), Expect(clRed));
}

TEST(LineGap, ManyPointsWithABreakStillShowTheBreak) {
  // Far more points than columns, where thinning would apply without the NaN.
  GapPlot t;
  constexpr int kPoints = 100000;
  for (int i = 0; i < kPoints; ++i) {
    const double x = 10.0 * i / kPoints;
    t.line.AddPoint(x, x > 4.9 && x < 5.1 ? kNaN : 5);
  }
  const QImage img = t.Render();
  EXPECT_EQ(PixelAt(img, t.Px(2), t.Py(5)), Expect(clRed));
  EXPECT_NE(PixelAt(img, t.Px(5), t.Py(5)), Expect(clRed));
  for (int y = t.Py(5) + 2; y < t.p.FieldRect().bottom; ++y)
    ASSERT_NE(PixelAt(img, t.Px(4.9), y), Expect(clRed)) << y;
}

TEST(CursorMarker, LinesAndHandlesOverTheFieldOnlyInside) {
  GapPlot t;
  t.p.SetFieldColor(clNavy);  // so white is the cursor's
  CursorMarker cursors;
  cursors.SetPlot(&t.p);
  t.line.AddPoint(0, 5);
  t.line.AddPoint(10, 5);
  cursors.SetCursors(3.0, 7.0);
  QImage img = t.Render();
  const auto& f = t.p.FieldRect();
  // A in white down the whole field, over the wave; B in fuchsia.
  EXPECT_EQ(PixelAt(img, t.Px(3), f.bottom - 2), Expect(clWhite));
  EXPECT_EQ(PixelAt(img, t.Px(3), t.Py(5)), Expect(clWhite));
  EXPECT_EQ(PixelAt(img, t.Px(7), f.bottom - 2), Expect(clFuchsia));
  // The handle hangs from the top, wider than the line.
  EXPECT_EQ(PixelAt(img, t.Px(7) - CursorMarker::kHandleWidth / 2,
                    f.top + CursorMarker::kHandleHeight - 2),
            Expect(clFuchsia));
  EXPECT_NE(PixelAt(img, t.Px(7) - CursorMarker::kHandleWidth / 2,
                    f.top + CursorMarker::kHandleHeight + 2),
            Expect(clFuchsia));

  // Moved out of the field: not drawn at the border either.
  cursors.SetCursors(-5.0, std::nullopt);
  img = t.Render();
  for (int y = f.top; y < f.bottom; ++y) {
    ASSERT_NE(PixelAt(img, f.left, y), Expect(clWhite)) << y;
    ASSERT_NE(PixelAt(img, t.Px(7), y), Expect(clFuchsia)) << y;
  }
}

}  // namespace
