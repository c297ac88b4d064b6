// The views on the real plot library: ranges, ticks, restarts and the
// read-out as the plot's own axes compute them.
#include "window/xy_plot_view.h"

#include <gtest/gtest.h>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "plot/axis.h"
#include "plot/xy_line.h"
#include "plot/xy_plot.h"
#include "window/views.h"

using namespace pulse::form;
using namespace pulse::plot;

namespace pulse::window {
namespace {

class XYPlotViewTest : public ::testing::Test {
 protected:
  XYPlotViewTest()
      : view_{XYPlotView(plot_[0], line_[0]), XYPlotView(plot_[1], line_[1]),
             XYPlotView(plot_[2], line_[2])},
        views_(state_, controls_, {&view_[0], &view_[1], &view_[2]}) {
    for (int k = 0; k < 3; ++k) {
      line_[k].SetPlot(&plot_[k]);
      plot_[k].SetSize(800, 200);
    }
    views_.ResetAxes();
  }

  Tsp_Axis& Time(int k) { return plot_[k].BottomAxis(); }

  TFormState state_;
  TMainControls controls_;
  Tsp_XYPlot plot_[3];
  Tsp_XYLine line_[3];
  XYPlotView view_[3];
  WaveViews views_;
};

TEST_F(XYPlotViewTest, TimeButtonsOnRealAxes) {
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Time(k).Min(), 0);
    EXPECT_EQ(Time(k).Max(), 20);
    EXPECT_EQ(Time(k).TicksCount(), 21);
    EXPECT_DOUBLE_EQ(plot_[k].LeftAxis().Max(), 15 * 10.1972);
    EXPECT_DOUBLE_EQ(plot_[k].RightAxis().Min(), -15 * 10.1972);
  }
  views_.Bt_ZoomX2Click();
  views_.Button1Click();
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Time(k).Min(), 1);
    EXPECT_EQ(Time(k).Max(), 20);
    EXPECT_EQ(Time(k).TicksCount(), 20);
  }
  views_.Button3Click();
  EXPECT_EQ(Time(2).Min(), 0);
  EXPECT_EQ(Time(2).Max(), 19);
}

TEST_F(XYPlotViewTest, SweepAndScrollOnRealSeries) {
  for (int i = 0; i < 3999; ++i) {
    ++state_.SampleCount1;
    views_.ShowFrame3(state_.SampleCount1, 1, 1, 2, 2, 3, 3);
  }
  EXPECT_EQ(line_[0].Count(), 799);
  EXPECT_EQ(line_[2].Y(0), 3);
  ++state_.SampleCount1;
  views_.ShowFrame3(state_.SampleCount1, 1, 1, 2, 2, 3, 3);
  EXPECT_EQ(line_[0].Count(), 0);
  EXPECT_EQ(line_[1].Count(), 0);

  for (int i = 0; i < 4001; ++i) {
    ++state_.SampleCount1;
    views_.ShowChannel1(true, state_.SampleCount1, 1, 1);
  }
  EXPECT_EQ(line_[0].Count(), 4001);
  EXPECT_NEAR(Time(0).Min(), 0.005, 1e-9);
  EXPECT_NEAR(Time(0).Max(), 20.005, 1e-9);
}

TEST_F(XYPlotViewTest, ReadoutUsesTheTimeAndLeftAxesPixels) {
  // Ends of a range lie exactly on a pixel, so the read-out shows them exactly.
  plot_[0].LeftAxis().SetMinMax(0, 10);
  plot_[0].Paint();  // lays the axes out on the control
  Tsp_Axis& left = plot_[0].LeftAxis();
  views_.XYPlotMouseUp(1, Time(0).ValueToPixel(0), left.ValueToPixel(0));
  EXPECT_EQ(controls_.StatusBar1.Panel(StatusPanel::kLastCommand).text, " X=0.00  Y=0.00");
  views_.XYPlotMouseUp(1, Time(0).ValueToPixel(20), left.ValueToPixel(10));
  EXPECT_EQ(controls_.StatusBar1.Panel(StatusPanel::kLastCommand).text, " X=20.00  Y=10.00");
}

}  // namespace
}  // namespace pulse::window
