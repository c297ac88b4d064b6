// Point storage, extents, clearing, attribute rules and the notifications a series sends.
#include <gtest/gtest.h>

#include "plot/xy_line.h"
#include "plot/xy_plot.h"

using namespace pulse::plot;

namespace {

TEST(XYDataSeries, GrowsBy32AndKeepsEarlierPoints) {
  Tsp_XYLine s;
  EXPECT_EQ(s.Capacity(), 32);
  for (int i = 0; i < 32; ++i) s.AddPoint(i, i * 0.5);
  EXPECT_EQ(s.Capacity(), 32);
  s.AddPoint(32, 16);
  EXPECT_EQ(s.Count(), 33);
  EXPECT_EQ(s.Capacity(), 64);
  for (int i = 0; i < 33; ++i) {
    ASSERT_EQ(s.X(i), i);
    ASSERT_EQ(s.Y(i), i * 0.5);
  }
  for (int i = 33; i < 1000; ++i) s.AddPoint(i, -i);
  EXPECT_EQ(s.Capacity(), 1024);  // 1000 rounded up to the step
  EXPECT_EQ(s.X(999), 999);
  EXPECT_EQ(s.Y(500), -500);
}

TEST(XYDataSeries, ExtentsFollowAppendsAndClear) {
  Tsp_XYLine s;
  double v = 42;
  EXPECT_FALSE(s.GetXMin(v));
  EXPECT_FALSE(s.GetXMax(v));
  EXPECT_FALSE(s.GetYMin(v));
  EXPECT_FALSE(s.GetYMax(v));
  EXPECT_EQ(v, 42);  // untouched

  s.AddPoint(5, 1);
  s.AddPoint(-3, 7);
  s.AddPoint(9, -4);
  s.AddPoint(2, 2);
  double x0, x1, y0, y1;
  ASSERT_TRUE(s.GetXMin(x0) && s.GetXMax(x1) && s.GetYMin(y0) && s.GetYMax(y1));
  EXPECT_EQ(x0, -3);
  EXPECT_EQ(x1, 9);
  EXPECT_EQ(y0, -4);
  EXPECT_EQ(y1, 7);

  const int capacity = s.Capacity();
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.Capacity(), capacity);
  EXPECT_FALSE(s.GetYMax(v));
  // The first point after a clear replaces all four extents, even inside the old ones.
  s.AddPoint(1, 1);
  ASSERT_TRUE(s.GetXMin(x0) && s.GetXMax(x1) && s.GetYMin(y0) && s.GetYMax(y1));
  EXPECT_EQ(x0, 1);
  EXPECT_EQ(x1, 1);
  EXPECT_EQ(y0, 1);
  EXPECT_EQ(y1, 1);
}

TEST(XYDataSeries, NotificationsReachThePlotOnlyWhenActive) {
  Tsp_XYPlot plot;
  int requests = 0;
  plot.OnRequestUpdate = [&] { ++requests; };
  Tsp_XYLine s;
  s.SetPlot(&plot);
  EXPECT_EQ(plot.Series().size(), 1u);
  s.AddPoint(1, 1);
  plot.Paint();
  requests = 0;

  s.SetActive(false);  // turning off still tells the plot
  EXPECT_EQ(requests, 1);
  plot.Paint();
  requests = 0;
  s.AddPoint(2, 2);
  s.Clear();  // inactive: count drops without a word to the plot
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(requests, 0);
  EXPECT_FALSE(plot.NeedsPaint());

  s.SetActive(true);
  plot.Paint();
  requests = 0;
  s.AddPoint(3, 3);
  EXPECT_EQ(requests, 1);
  EXPECT_TRUE(plot.NeedsPaint());
}

TEST(XYDataSeries, LookChangeRepaintsFieldOnly) {
  Tsp_XYPlot plot;
  Tsp_XYLine s;
  s.SetPlot(&plot);
  s.AddPoint(0, 0);
  s.AddPoint(1, 1);
  plot.Paint();
  ASSERT_TRUE(plot.LayoutValid());
  s.LineAttr().SetColor(clRed);
  EXPECT_TRUE(plot.NeedsPaint());
  EXPECT_TRUE(plot.LayoutValid());
  s.PointAttr().SetVisible(true);
  EXPECT_TRUE(plot.LayoutValid());
}

TEST(XYDataSeries, SeriesLeavesPlotListsWhenEitherSideGoes) {
  auto plot = std::make_unique<Tsp_XYPlot>();
  Tsp_XYLine a;
  {
    Tsp_XYLine b;
    a.SetPlot(plot.get());
    b.SetPlot(plot.get());
    a.SetPlot(plot.get());  // already there: no duplicate
    EXPECT_EQ(plot->Series().size(), 2u);
  }
  EXPECT_EQ(plot->Series().size(), 1u);
  plot.reset();
  EXPECT_EQ(a.Plot(), nullptr);
  a.AddPoint(1, 2);  // no plot to notify any more
  EXPECT_EQ(a.Count(), 1);
}

TEST(PointAttr, SizesAreStoredAsHalves) {
  Tsp_PointAttr a;
  int changes = 0;
  a.SetOnChange([&](Tsp_PointAttr*) { ++changes; });
  EXPECT_EQ(a.HSize(), 5);
  a.SetHSize(4);  // 4 div 2 == 5 div 2
  EXPECT_EQ(a.HSize(), 5);
  EXPECT_EQ(changes, 0);
  a.SetHSize(6);
  EXPECT_EQ(a.HSize(), 7);
  EXPECT_EQ(a.LeftHalf(), 3);
  EXPECT_EQ(a.RightHalf(), 4);
  EXPECT_EQ(changes, 1);
  a.SetVSize(-8);  // negative counts as 1
  EXPECT_EQ(a.VSize(), 1);
  EXPECT_EQ(a.TopHalf(), 0);
}

TEST(PointAttr, BorderWidthLimitedByTheSmallerHalf) {
  Tsp_PointAttr a;
  a.SetBorderWidth(10);
  EXPECT_EQ(a.BorderWidth(), 2);
  a.SetHSize(9);
  a.SetVSize(3);
  a.SetBorderWidth(10);
  EXPECT_EQ(a.BorderWidth(), 1);
}

TEST(PointAttr, AssignCopiesShapeAndFillButNotBorder) {
  Tsp_PointAttr src;
  src.SetKind(ptDiamond);
  src.SetVisible(true);
  src.SetHSize(9);
  src.SetVSize(11);
  src.SetColor(clRed);
  src.SetStyle(bsClear);
  src.SetBorderColor(clBlue);
  src.SetBorderWidth(3);
  Tsp_PointAttr dst;
  int changes = 0;
  dst.SetOnChange([&](Tsp_PointAttr*) { ++changes; });
  dst.Assign(src);
  EXPECT_EQ(dst.Kind(), ptDiamond);
  EXPECT_TRUE(dst.Visible());
  EXPECT_EQ(dst.HSize(), 9);
  EXPECT_EQ(dst.VSize(), 11);
  EXPECT_EQ(dst.Color(), clRed);
  EXPECT_EQ(dst.Style(), bsClear);
  EXPECT_EQ(dst.BorderColor(), clBlack);
  EXPECT_EQ(dst.BorderWidth(), 1);
  EXPECT_GE(changes, 1);
}

}  // namespace
