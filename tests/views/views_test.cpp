#include "window/views.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fake_view_plot.h"
#include "window/view_numbers.h"

using namespace pulse::form;

namespace pulse::window {
namespace {

using test::FakeViewPlot;
using Range = std::pair<double, double>;

class ViewsTest : public ::testing::Test {
 protected:
  ViewsTest() : views_(state_, controls_, {&plot_[0], &plot_[1], &plot_[2]}) { views_.ResetAxes(); }

  // A live three-channel frame as the parser delivers it.
  void LiveFrame(double y = 1.0) {
    ++state_.SampleCount1;
    views_.ShowFrame3(state_.SampleCount1, y, 0.5, y, 0.5, y, 0.5);
  }
  Range Time(int k) const { return plot_[k].Range(ViewAxis::kTime); }
  Range Left(int k) const { return plot_[k].Range(ViewAxis::kLeft); }
  Range Right(int k) const { return plot_[k].Range(ViewAxis::kRight); }
  void ExpectTimeAll(double mn, double mx, int ticks) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(Time(k), Range(mn, mx)) << "view " << k + 1;
      EXPECT_EQ(plot_[k].AxisOf(ViewAxis::kTime).ticks, ticks) << "view " << k + 1;
    }
  }

  TFormState state_;
  TMainControls controls_;
  FakeViewPlot plot_[3];
  WaveViews views_;
};

TEST(ViewNumbers, RoundsHalvesToEvenAndStepsFromSpan) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(-152.958), -153);
  EXPECT_EQ(RoundHalfEven(0.49999999999999994), 0);
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
  EXPECT_EQ(SweepStep(20), 5);
  EXPECT_EQ(SweepStep(10), 3);
  EXPECT_EQ(SweepStep(1), 1);
  EXPECT_EQ(SweepStep(0), 1);
  EXPECT_EQ(SweepStep(-30), 1);
}

TEST_F(ViewsTest, ResetAxesGivesDefaultRanges) {
  ExpectTimeAll(0, 20, 21);
  const double r = 15 * 10.1972;
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Left(k), Range(-r, r));
    EXPECT_EQ(Right(k), Range(-r, r));
  }
}

TEST_F(ViewsTest, SweepDrawsEveryFifthSampleAndRestartsAt4000) {
  for (int i = 0; i < 3999; ++i) LiveFrame();
  for (int k = 0; k < 3; ++k) ASSERT_EQ(plot_[k].points.size(), 799u);  // samples 5, 10, ..., 3995
  EXPECT_DOUBLE_EQ(plot_[0].points.front().first, 0.025);
  EXPECT_DOUBLE_EQ(plot_[0].points.back().first, 3995 / 200.0);
  LiveFrame();  // sample 4000: t = 20 s reaches the right end
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(plot_[k].points.empty());
  EXPECT_EQ(state_.SampleCount1, 0);
  for (int i = 0; i < 5; ++i) LiveFrame(7.0);
  ASSERT_EQ(plot_[0].points.size(), 1u);
  EXPECT_DOUBLE_EQ(plot_[0].points[0].first, 0.025);  // the trace starts again at the left
  EXPECT_EQ(plot_[1].points[0].second, 7.0);
  ExpectTimeAll(0, 20, 21);
}

TEST_F(ViewsTest, SweepAfterZoomingToTenSecondsDrawsEveryThirdAndRestartsAt2000) {
  for (int i = 0; i < 10; ++i) views_.Bt_ZoomX2Click();
  ExpectTimeAll(0, 10, 11);
  for (int i = 0; i < 1999; ++i) LiveFrame();
  EXPECT_EQ(plot_[0].points.size(), 666u);  // 3, 6, ..., 1998
  EXPECT_EQ(plot_[2].points.size(), 666u);
  LiveFrame();
  EXPECT_TRUE(plot_[0].points.empty());
  EXPECT_EQ(state_.SampleCount1, 0);
}

TEST_F(ViewsTest, LiveOneChannelSweepsViewOneOnly) {
  for (int i = 0; i < 4000; ++i) {
    ++state_.SampleCount1;
    views_.ShowChannel1(false, state_.SampleCount1, 2.0, 3.0);
    if (i == 3998) {
      EXPECT_EQ(plot_[0].points.size(), 799u);
    }
  }
  EXPECT_TRUE(plot_[0].points.empty());
  EXPECT_EQ(plot_[0].clears, 1);
  EXPECT_EQ(plot_[1].clears, 0);
  EXPECT_EQ(state_.SampleCount1, 0);
  EXPECT_EQ(controls_.P_jy1.Caption, "3.00");
}

TEST_F(ViewsTest, ReadoutsShowStaticValuesWithTwoDecimals) {
  ++state_.SampleCount1;
  views_.ShowFrame3(1, 0, 10.1972, 0, -33414.18496, 0, 0);
  EXPECT_EQ(controls_.P_jy1.Caption, "10.20");
  EXPECT_EQ(controls_.P_jy2.Caption, "-33414.18");
  EXPECT_EQ(controls_.P_jy3.Caption, "0.00");
}

TEST_F(ViewsTest, SweepKeepsViewsTwoAndThreeOnViewOnesTimeWindow) {
  plot_[1].SetAxisMinMax(ViewAxis::kTime, 0, 7);
  plot_[2].SetAxisMinMax(ViewAxis::kTime, 3, 30);
  LiveFrame();
  EXPECT_EQ(Time(1), Range(0, 20));
  EXPECT_EQ(Time(2), Range(3, 20));  // only Max follows
}

TEST_F(ViewsTest, ZeroSampleRateShowsReadoutsButDrawsNoUndefinedTimes) {
  state_.SampleRate = 0;
  for (int i = 0; i < 10; ++i) LiveFrame();
  EXPECT_EQ(controls_.P_jy1.Caption, "0.50");
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(plot_[k].points.empty());
  ++state_.SampleCount1;
  views_.ShowChannel1(true, state_.SampleCount1, 1, 1);
  ++state_.SampleCount2;
  views_.ShowChannel2(state_.SampleCount2, 1, 4);
  EXPECT_EQ(controls_.P_jy2.Caption, "4.00");
  ExpectTimeAll(0, 20, 21);  // nothing scrolled to an infinite time
  EXPECT_TRUE(plot_[0].points.empty());
  state_.SampleRate = 200;
  LiveFrame();
  EXPECT_EQ(plot_[0].points.size(), 0u);  // sample 12 is not a multiple of 5
  LiveFrame();
  LiveFrame();
  LiveFrame();
  ASSERT_EQ(plot_[0].points.size(), 1u);
  EXPECT_DOUBLE_EQ(plot_[0].points[0].first, 15 / 200.0);
}

TEST_F(ViewsTest, ScrollModeMovesViewOneAndRestartsViewsTwoAndThree) {
  for (int i = 0; i < 4001; ++i) {
    ++state_.SampleCount1;
    views_.ShowChannel1(true, state_.SampleCount1, 1, 1);
    ++state_.SampleCount2;
    views_.ShowChannel2(state_.SampleCount2, 2, 2);
    if (i == 3999) {
      EXPECT_EQ(plot_[0].points.size(), 4000u);  // every sample is drawn
      EXPECT_EQ(Time(0), Range(0, 20));         // a move by 0 at exactly 20 s
      EXPECT_TRUE(plot_[1].points.empty());
      EXPECT_EQ(state_.SampleCount2, 0);
    }
  }
  EXPECT_EQ(plot_[0].points.size(), 4001u);
  EXPECT_NEAR(Time(0).first, 0.005, 1e-9);
  EXPECT_NEAR(Time(0).second, 20.005, 1e-9);
  ASSERT_EQ(plot_[1].points.size(), 1u);
  EXPECT_DOUBLE_EQ(plot_[1].points[0].first, 0.005);
  EXPECT_EQ(Time(1), Range(0, 20));
}

TEST_F(ViewsTest, ScrolledViewTwoPastAFractionalEndRestartsAtTheLeft) {
  plot_[1].SetAxisMinMax(ViewAxis::kTime, 0, 0.0123);
  for (int i = 0; i < 3; ++i) {
    ++state_.SampleCount2;
    views_.ShowChannel2(state_.SampleCount2, 2, 2);
  }
  // Sample 3 (15 ms) passed the end: the axis moved by 2.7 ms, then cleared.
  EXPECT_NEAR(Time(1).second, 0.015, 1e-12);
  EXPECT_TRUE(plot_[1].points.empty());
  EXPECT_EQ(state_.SampleCount2, 0);
}

TEST_F(ViewsTest, TimeButtonsPanAndZoomInWholeSeconds) {
  views_.Button1Click();  // "->" at 0..20: nothing
  ExpectTimeAll(0, 20, 21);
  views_.Bt_ZoomX1Click();  // "-" at 0..20: nothing
  ExpectTimeAll(0, 20, 21);
  views_.Bt_ZoomX2Click();  // "+"
  ExpectTimeAll(0, 19, 20);
  views_.Button1Click();
  ExpectTimeAll(1, 20, 20);
  views_.Button1Click();  // already at the right end
  ExpectTimeAll(1, 20, 20);
  views_.Bt_ZoomX1Click();  // does not start at 0 or below
  ExpectTimeAll(1, 20, 20);
  views_.Button3Click();  // "<-"
  ExpectTimeAll(0, 19, 20);
  views_.Button3Click();  // already at the left end
  ExpectTimeAll(0, 19, 20);
  views_.Bt_ZoomX1Click();
  ExpectTimeAll(0, 20, 21);
  for (int i = 0; i < 25; ++i) views_.Bt_ZoomX2Click();
  ExpectTimeAll(0, 1, 2);  // no narrower than 1 s
  views_.Bt_ZoomX1Click();
  ExpectTimeAll(0, 2, 3);
}

TEST_F(ViewsTest, TimeButtonsFollowViewOneAndRoundItsEnds) {
  plot_[0].SetAxisMinMax(ViewAxis::kTime, 0.4, 10.5);  // rounds to 0..10 (10.5 to even)
  views_.Bt_ZoomX1Click();
  ExpectTimeAll(0, 11, 12);
  plot_[0].SetAxisMinMax(ViewAxis::kTime, 0.4, 10.5);
  views_.Bt_ZoomX2Click();  // unrounded Min 0.4 is above 0: nothing
  EXPECT_EQ(Time(1), Range(0, 11));
}

TEST_F(ViewsTest, ValueZoomInMillimetresOfWater) {
  // Default ±152.958 rounds to ±153; steps of 10 while Max >= 20, then of 1.
  std::vector<double> in = {143, 133, 123, 113, 103, 93, 83, 73, 63, 53, 43, 33, 23,
                            13,  12,  11,  10,  9,   8,  7,  6,  5,  4,  3,  2,  1};
  for (double mx : in) {
    views_.Bt_ZoomY2Click(2);
    ASSERT_EQ(Left(1), Range(-mx, mx));
    ASSERT_EQ(Right(1), Range(-mx, mx));
  }
  views_.Bt_ZoomY2Click(2);  // span 2: no further
  EXPECT_EQ(Left(1), Range(-1, 1));
  // Zoom out: steps of 1 up to ±21 (Max > 20 only from 21), then 10 up to
  // the first span of at least 30 x 10.1972.
  std::vector<double> out;
  for (int m = 2; m <= 21; ++m) out.push_back(m);
  for (int m = 31; m <= 161; m += 10) out.push_back(m);
  for (double mx : out) {
    views_.Bt_ZoomY1Click(2);
    ASSERT_EQ(Left(1), Range(-mx, mx));
  }
  views_.Bt_ZoomY1Click(2);
  EXPECT_EQ(Left(1), Range(-161, 161));
  EXPECT_EQ(Right(1), Range(-161, 161));
  // The other views were not touched.
  EXPECT_EQ(Left(0), Range(-152.958, 152.958));
  EXPECT_EQ(Left(2), Range(-152.958, 152.958));
}

TEST_F(ViewsTest, ValueZoomInKilopascal) {
  controls_.cb_unit1.Select(0);
  views_.cb_unit1Change();
  EXPECT_EQ(state_.UnitFactor, 0.1);
  views_.Bt_ZoomY1Click(1);  // ±1.5 rounds to ±2: span 4 is not below 3
  EXPECT_EQ(Left(0), Range(-1.5, 1.5));
  views_.Bt_ZoomY2Click(1);
  EXPECT_EQ(Left(0), Range(-1, 1));
  views_.Bt_ZoomY2Click(1);
  EXPECT_EQ(Left(0), Range(-1, 1));
  views_.Bt_ZoomY1Click(1);
  EXPECT_EQ(Left(0), Range(-2, 2));
  views_.Bt_ZoomY1Click(1);
  EXPECT_EQ(Left(0), Range(-2, 2));
  EXPECT_EQ(Right(0), Range(-2, 2));
}

TEST_F(ViewsTest, ValueZoomStepsByTenAtMaxTwentyOnlyWhenZoomingIn) {
  plot_[2].SetAxisMinMax(ViewAxis::kLeft, -20, 20);
  views_.Bt_ZoomY2Click(3);
  EXPECT_EQ(Left(2), Range(-10, 10));
  plot_[2].SetAxisMinMax(ViewAxis::kLeft, -20, 20);
  views_.Bt_ZoomY1Click(3);
  EXPECT_EQ(Left(2), Range(-21, 21));
}

TEST_F(ViewsTest, UnitChangeRerangesButKeepsDrawnPoints) {
  for (int i = 0; i < 10; ++i) LiveFrame(4.0);
  const auto before = plot_[0].points;
  controls_.cb_unit1.Select(1);
  views_.cb_unit1Change();
  EXPECT_EQ(state_.UnitFactor, 1.0);
  EXPECT_EQ(plot_[0].points, before);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(Left(k), Range(-15, 15));
  controls_.cb_unit1.Select(-1);  // typed text: factor unchanged
  views_.cb_unit1Change();
  EXPECT_EQ(state_.UnitFactor, 1.0);
  controls_.cb_unit1.Select(2);
  views_.cb_unit1Change();
  EXPECT_EQ(Left(2), Range(-11.25, 11.25));
  // The hidden lists of views 2 and 3 change nothing.
  controls_.cb_unit2.Select(0);
  views_.cb_unit2Change();
  EXPECT_EQ(state_.UnitFactor, 0.75);
}

TEST_F(ViewsTest, StaticCurveWidensViewOneOnly) {
  controls_.ch_jy.checked = true;
  views_.ch_jyClick();
  EXPECT_EQ(Left(0), Range(0, 400 * 10.1972));
  EXPECT_EQ(Right(0), Range(0, 400 * 10.1972));
  EXPECT_EQ(Left(1), Range(-15 * 10.1972, 15 * 10.1972));
  views_.Bt_ZoomY1Click(1);  // already beyond the default span
  EXPECT_EQ(Left(0), Range(0, 400 * 10.1972));
  views_.Bt_ZoomY2Click(1);
  EXPECT_EQ(Left(0), Range(10, 4069));
  controls_.ch_jy.checked = false;
  views_.ch_jyClick();
  EXPECT_EQ(Left(0), Range(-15 * 10.1972, 15 * 10.1972));
}

TEST_F(ViewsTest, ResetButtonClearsCountersSeriesAndRanges) {
  for (int i = 0; i < 20; ++i) LiveFrame();
  state_.SampleCount2 = 5;
  state_.SampleCount3 = 6;
  views_.Bt_ZoomX2Click();
  views_.Bt_ZoomY2Click(3);
  views_.SpeedButton1Click();
  EXPECT_EQ(state_.SampleCount1 + state_.SampleCount2 + state_.SampleCount3, 0);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(plot_[k].points.empty());
  ExpectTimeAll(0, 20, 21);
  EXPECT_EQ(Left(2), Range(-15 * 10.1972, 15 * 10.1972));
}

TEST_F(ViewsTest, DoubleClickShowsOneViewAndBack) {
  views_.FormResize(600);
  EXPECT_EQ(views_.RowsLayout().row_height, (std::array<int, 3>{200, 200, 200}));
  views_.FormResize(602);
  EXPECT_EQ(views_.RowsLayout().row_height, (std::array<int, 3>{200, 202, 200}));

  views_.XYPlotDblClick(2);
  EXPECT_TRUE(state_.SingleView);
  EXPECT_FALSE(controls_.P_01.Visible);
  EXPECT_TRUE(controls_.P_02.Visible);
  EXPECT_FALSE(controls_.P_03.Visible);
  EXPECT_EQ(views_.RowsLayout().row_height, (std::array<int, 3>{0, 602, 0}));
  views_.XYPlotDblClick(2);
  EXPECT_FALSE(state_.SingleView);
  EXPECT_TRUE(controls_.P_01.Visible && controls_.P_02.Visible && controls_.P_03.Visible);

  views_.XYPlotDblClick(3);
  EXPECT_TRUE(controls_.P_03.Visible && !controls_.P_02.Visible);
  views_.FormResize(700);  // any resize brings all three back
  EXPECT_FALSE(state_.SingleView);
  EXPECT_TRUE(controls_.P_01.Visible && controls_.P_02.Visible && controls_.P_03.Visible);
}

TEST_F(ViewsTest, MouseUpWritesTheReadout) {
  // Pixel of time 0 and value 0 in view 1: left edge, middle height.
  const int x0 = FakeViewPlot::kFieldLeft;
  const int y0 = FakeViewPlot::kFieldBottom - FakeViewPlot::kFieldHeight / 2;
  views_.XYPlotMouseUp(1, x0, y0);
  EXPECT_EQ(controls_.StatusBar1.Panel(StatusPanel::kLastCommand).text, " X=0.00  Y=0.00");
  plot_[2].SetAxisMinMax(ViewAxis::kLeft, -10, 10);
  views_.XYPlotMouseUp(3, x0 + 30, FakeViewPlot::kFieldBottom);
  EXPECT_EQ(controls_.StatusBar1.Panel(StatusPanel::kLastCommand).text, " X=1.50  Y=-10.00");
}

}  // namespace
}  // namespace pulse::window
