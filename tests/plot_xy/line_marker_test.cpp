// Line markers: visibility limits at the field edges, repaint requests, attachment.
#include <gtest/gtest.h>

#include "tests/plot_xy/plot_fixture.h"

using namespace pulse::plot;

namespace {

using pulse::test::Expect;
using pulse::test::PixelAt;

struct MarkerPlot {
  Tsp_XYPlot p;
  Tsp_LineMarker m;
  MarkerPlot() {
    p.SetSize(300, 200);
    p.LeftAxis().SetMinMax(0, 100);
    p.BottomAxis().SetMinMax(0, 100);
    p.LeftAxis().GridAttr().SetVisible(false);
    p.BottomAxis().GridAttr().SetVisible(false);
    p.SetColor(clWhite);
    m.SetPen(pulse::plot::CanvasPen{clRed, psSolid, 1, pmCopy});
    m.SetPlot(&p);
    p.Paint();  // lays out; the control's canvas now exists
  }
  // Draws the marker alone, unclipped, at a value mapping to the given pixel.
  bool DrawsAtRow(int y) {
    p.Paint();
    m.SetOrientation(loHorizontal);
    m.SetPosition(p.LeftAxis().PixelToValue(y));
    EXPECT_EQ(p.LeftAxis().ValueToPixel(m.Position()), y);
    m.Draw();
    const int x = p.FieldRect().left + 10;
    return PixelAt(p.Screen(), x, y) == Expect(clRed);
  }
  bool DrawsAtColumn(int x) {
    p.Paint();
    m.SetOrientation(loVertical);
    m.SetPosition(p.BottomAxis().PixelToValue(x));
    m.Draw();
    return PixelAt(p.Screen(), x, p.FieldRect().top + 10) == Expect(clRed);
  }
};

TEST(LineMarker, VisibilityLimitsDifferByOnePixel) {
  MarkerPlot t;
  const TRect f = t.p.FieldRect();
  EXPECT_FALSE(t.DrawsAtRow(f.top - 1)) << "limit top - w + 1";
  EXPECT_TRUE(t.DrawsAtRow(f.top));
  EXPECT_TRUE(t.DrawsAtRow(f.bottom));  // limit bottom + w - 1
  EXPECT_FALSE(t.DrawsAtRow(f.bottom + 1));
  EXPECT_TRUE(t.DrawsAtColumn(f.left - 1)) << "limit left - w";
  EXPECT_FALSE(t.DrawsAtColumn(f.left - 2));
  EXPECT_TRUE(t.DrawsAtColumn(f.right));
  EXPECT_FALSE(t.DrawsAtColumn(f.right + 1));
}

TEST(LineMarker, WiderPenWidensTheLimits) {
  MarkerPlot t;
  t.m.SetPen(pulse::plot::CanvasPen{clRed, psSolid, 3, pmCopy});
  const TRect f = t.p.FieldRect();
  EXPECT_TRUE(t.DrawsAtRow(f.top - 2));
  EXPECT_FALSE(t.DrawsAtRow(f.top - 3));
}

TEST(LineMarker, RepaintRequests) {
  MarkerPlot t;
  int requests = 0;
  t.p.SetBufferedDisplay(true);
  t.p.OnRequestUpdate = [&] { ++requests; };
  t.p.Paint();
  t.m.SetPosition(0);  // unchanged
  EXPECT_EQ(requests, 0);
  EXPECT_FALSE(t.p.NeedsPaint());
  t.m.SetPosition(50);
  EXPECT_EQ(requests, 1);
  EXPECT_FALSE(t.p.FieldValid());
  EXPECT_TRUE(t.p.FrameValid());

  Tsp_LineMarker loose;  // no plot: drawing and redrawing do nothing
  loose.Draw();
  loose.Redraw();
  loose.SetPosition(3);
  EXPECT_EQ(loose.Position(), 3);
}

TEST(LineMarker, InvisibleMarkersAreNotAskedToDraw) {
  struct Counting : Tsp_LineMarker {
    int draws = 0;
    void Draw() override {
      ++draws;
      Tsp_LineMarker::Draw();
    }
  };
  Tsp_XYPlot p;
  Counting before, after;
  before.SetPlot(&p);
  after.SetPlot(&p);
  after.SetWhenDraw(dmAfterSeries);
  p.Paint();
  EXPECT_EQ(before.draws, 1);
  EXPECT_EQ(after.draws, 1);
  after.SetVisible(false);
  p.Paint();
  EXPECT_EQ(before.draws, 2);
  EXPECT_EQ(after.draws, 1);
  // Moving between the lists does not duplicate.
  before.SetWhenDraw(dmAfterSeries);
  before.SetWhenDraw(dmBeforeSeries);
  p.Paint();
  EXPECT_EQ(before.draws, 3);
}

TEST(LineMarker, OutlivesItsPlot) {
  Tsp_LineMarker m;
  {
    Tsp_XYPlot p;
    m.SetPlot(&p);
  }
  EXPECT_EQ(m.Plot(), nullptr);
  m.Redraw();
  m.Draw();
}

}  // namespace
