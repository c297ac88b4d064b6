// Axis setters, their repaint requests, remembered ranges, copying, persistence, and the
// room the four axes of the main window's plots need.
#include <gtest/gtest.h>

#include "plot/axis.h"
#include "plot/axis_frame.h"
#include "plot/property_store.h"
#include "tests/plot/fake_axis_owner.h"

using namespace pulse::plot;
using pulse::test::FakeAxisOwner;

namespace {

using Requests = std::vector<std::string>;

struct AxisFixture : testing::Test {
  AxisFixture() { axis.SetPlot(&owner); }
  FakeAxisOwner owner;
  Tsp_Axis axis{pulse::plot::kBottomAxisFlags};
};

TEST_F(AxisFixture, DefaultsAtCreation) {
  EXPECT_EQ(axis.Margin(), 4);
  EXPECT_EQ(axis.GridAttr().Color(), clGray);
  EXPECT_FALSE(axis.GridAttr().Visible());
  EXPECT_TRUE(axis.LineAttr().Visible());
  EXPECT_EQ(axis.LabelFormat(), "###0.##");
  EXPECT_EQ(axis.Min(), 0);
  EXPECT_EQ(axis.Max(), 10);
  EXPECT_EQ(axis.TicksCount(), 5);
  EXPECT_FALSE(axis.CaptionShown());
  EXPECT_TRUE(owner.requests.empty());
}

TEST_F(AxisFixture, SettersRequestRepaintsOnlyOnChange) {
  axis.SetMargin(4);
  axis.SetCaption("");
  axis.SetLabelFormat("###0.##");
  axis.SetTicksCount(5);
  EXPECT_TRUE(owner.requests.empty());
  axis.SetMargin(7);
  axis.SetCaption("   ");
  EXPECT_FALSE(axis.CaptionShown());  // spaces only are not drawn
  axis.SetCaption("时间 (s)");
  EXPECT_TRUE(axis.CaptionShown());
  axis.SetLabelFormat("0.0");
  EXPECT_EQ(owner.requests, (Requests{"full", "full", "full", "full"}));
}

TEST_F(AxisFixture, LineChangesRepaintAllGridChangesOnlyTheField) {
  axis.LineAttr().SetColor(axis.LineAttr().Color());  // equal value still notifies
  axis.GridAttr().SetVisible(true);
  EXPECT_EQ(owner.requests, (Requests{"full", "field"}));
  owner.requests.clear();
  Tsp_LineAttr red;
  red.SetColor(clRed);
  axis.SetLineAttr(red);  // copied, no repaint
  axis.SetGridAttr(axis.GridAttr());
  EXPECT_EQ(axis.LineAttr().Color(), clRed);
  EXPECT_TRUE(owner.requests.empty());
  axis.LineAttr().SetWidth(2);  // the axis' own handler is still installed
  EXPECT_EQ(owner.requests, (Requests{"full"}));
}

TEST_F(AxisFixture, MinAndMaxSetters) {
  axis.SetAutoMin(true);
  axis.SetAutoMax(true);
  axis.RememberRange();
  owner.requests.clear();
  owner.autoscaled.clear();
  axis.SetMin(0);  // current value: clears AutoMin and the memory, no repaint
  EXPECT_FALSE(axis.AutoMin());
  EXPECT_TRUE(axis.AutoMax());
  EXPECT_FALSE(axis.RangeRemembered());
  EXPECT_TRUE(owner.requests.empty());
  EXPECT_TRUE(owner.autoscaled.empty());  // the bit is cleared without FlagChanged
  axis.SetMin(15);                        // above Max: the old Max becomes Min
  EXPECT_EQ(axis.Min(), 10);
  EXPECT_EQ(axis.Max(), 15);
  axis.SetMax(-5);
  EXPECT_EQ(axis.Min(), -5);
  EXPECT_EQ(axis.Max(), 10);
  EXPECT_FALSE(axis.AutoMax());
  EXPECT_EQ(owner.requests, (Requests{"full", "full"}));
}

TEST_F(AxisFixture, TicksCountIsClampedAndReadsTheComputedCount) {
  axis.SetTicksCount(30);
  EXPECT_EQ(axis.RequestedTicksCount(), 21);
  axis.SetMinMax(0, 1);
  axis.SetTicksCount(5);
  EXPECT_EQ(axis.TicksCount(), 6);
  owner.requests.clear();
  axis.SetTicksCount(0);
  EXPECT_EQ(axis.TicksCount(), 0);
  EXPECT_EQ(owner.requests, (Requests{"full"}));
}

TEST_F(AxisFixture, FlagReactions) {
  axis.SetMinMax(0, 10);
  axis.SetLinePos(0, 0, 100);
  owner.requests.clear();
  axis.SetInversed(true);
  EXPECT_EQ(axis.ValueToPixel(10), 0);
  EXPECT_DOUBLE_EQ(axis.TickValue(0), 10);
  axis.SetTicksAdjusted(false);
  axis.SetLabelAsDataTime(true);
  EXPECT_EQ(owner.requests, (Requests{"full", "full", "full"}));

  // AutoMax with no data (the plot reports false): nothing else happens.
  owner.requests.clear();
  axis.SetAutoMax(true);
  EXPECT_EQ(owner.autoscaled.size(), 1u);
  EXPECT_TRUE(owner.requests.empty());
  owner.autoscale_to_data = true;
  owner.data_min = 2;
  owner.data_max = 3;
  axis.SetAutoMin(true);
  EXPECT_EQ(axis.Min(), 2);
  EXPECT_EQ(owner.requests, (Requests{"full"}));
}

TEST_F(AxisFixture, ProgramRangeChangesForgetTheRememberedRange) {
  axis.SetAutoMin(true);
  axis.RememberRange();
  axis.SetMinMax(1, 2);  // remembered 0..10 is forgotten
  EXPECT_FALSE(axis.RangeRemembered());
  EXPECT_FALSE(axis.AutoMin());
  axis.RememberRange();
  axis.SetRange(4, 6);   // a zoom by the plot
  axis.RememberRange();  // a second remember keeps the first range
  axis.RestoreRange();
  EXPECT_EQ(axis.Min(), 1);
  EXPECT_EQ(axis.Max(), 2);
  EXPECT_FALSE(axis.RangeRemembered());
  axis.RestoreRange();  // nothing remembered: no change
  EXPECT_EQ(axis.Min(), 1);

  owner.requests.clear();
  axis.RememberRange();
  axis.MoveRange(0.5);
  EXPECT_EQ(axis.Min(), 1.5);
  EXPECT_FALSE(axis.RangeRemembered());
  EXPECT_EQ(owner.requests, (Requests{"frame+field"}));
  axis.SetMinMax(1.5, 2.5);  // equal values still repaint
  EXPECT_EQ(owner.requests.back(), "full");
}

TEST_F(AxisFixture, NoPlotNoRequests) {
  Tsp_Axis lone(pulse::plot::kLeftAxisFlags);
  lone.SetMargin(9);
  lone.SetAutoMax(true);
  lone.GridAttr().SetVisible(true);
  lone.MoveRange(1);
  EXPECT_EQ(lone.Min(), 1);
  EXPECT_EQ(lone.Margin(), 9);
  EXPECT_FALSE(lone.AutoMax());  // a program shift ends automatic ranging
}

TEST_F(AxisFixture, LabelEventMayReplaceText) {
  axis.SetMinMax(0, 10);
  owner.on_label = [](Tsp_Axis&, int num, double val, std::string& ls) {
    if (num == 4) ls = "end" + std::to_string(static_cast<int>(val));
  };
  std::string s;
  axis.GetTickLabel(1, s);
  EXPECT_EQ(s, "2.5");
  axis.GetTickLabel(4, s);
  EXPECT_EQ(s, "end10");
  // Measurement goes through the event as well: "end10" is the widest label.
  Tsp_Axis v(pulse::plot::kLeftAxisFlags);
  v.SetPlot(&owner);
  EXPECT_EQ(v.OuterDepth(8, 12), 1 + 5 * 8 + 5);
}

TEST_F(AxisFixture, AssignCopiesValuesKeepsHandlersAndDoesNotRepaint) {
  Tsp_Axis src(pulse::plot::kRightAxisFlags);
  src.SetMinMax(-10, 10);
  src.SetTicksCount(11);
  src.SetMargin(9);
  src.SetCaption("kPa");
  src.GridAttr().SetVisible(true);
  src.SetLinePos(50, 60, 70);
  axis.RememberRange();
  owner.requests.clear();
  axis.Assign(src);
  EXPECT_TRUE(owner.requests.empty());
  EXPECT_EQ(axis.Flags(), pulse::plot::kRightAxisFlags);
  EXPECT_EQ(axis.Min(), -10);
  EXPECT_EQ(axis.TicksCount(), 11);
  EXPECT_EQ(axis.Margin(), 9);
  EXPECT_TRUE(axis.CaptionShown());
  EXPECT_TRUE(axis.GridAttr().Visible());
  EXPECT_FALSE(axis.RangeRemembered());
  EXPECT_EQ(axis.ValueToPixel(10), src.ValueToPixel(10));
  axis.GridAttr().SetVisible(false);
  EXPECT_EQ(owner.requests, (Requests{"field"}));
  EXPECT_TRUE(src.GridAttr().Visible());
}

TEST_F(AxisFixture, PersistedFormRoundTrip) {
  axis.SetMinMax(-2, 8);
  axis.SetTicksCount(11);
  axis.SetCaption("t");
  axis.SetInversed(true);
  axis.GridAttr().SetStyle(psDot);
  pulse::plot::PropertyStore store;
  axis.SaveProperties(store);
  EXPECT_EQ(*store.GetInt("TicksCount"), axis.TicksCount());
  EXPECT_FALSE(store.Has("GridAttr.Width"));  // default width is not written
  EXPECT_EQ(store.Entries().back().first, "fMax");

  Tsp_Axis copy(pulse::plot::kBottomAxisFlags);
  copy.LoadProperties(store);
  EXPECT_EQ(copy.Min(), -2);
  EXPECT_EQ(copy.Max(), 8);
  EXPECT_TRUE(copy.Inversed());
  EXPECT_EQ(copy.Caption(), "t");
  EXPECT_EQ(copy.GridAttr().Style(), psDot);
  EXPECT_EQ(copy.TicksCount(), axis.TicksCount());
  for (int i = 0; i < axis.TicksCount(); ++i) EXPECT_EQ(copy.TickValue(i), axis.TickValue(i));
}

TEST(LineAttr, SettersAlwaysNotifyAssignDoesNot) {
  Tsp_LineAttr a;
  int calls = 0;
  a.SetOnChange([&](Tsp_CustomLineAttr&) { ++calls; });
  a.SetWidth(1);
  a.SetVisible(true);
  a.SetStyle(psDash);
  EXPECT_EQ(calls, 3);
  Tsp_LineAttr b;
  b.SetColor(clNavy);
  EXPECT_FALSE(a.IsSame(b));
  a.Assign(b);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(a.IsSame(b));
  pulse::plot::CanvasPen pen;
  pen.mode = pmXor;
  b.SetWidth(3);
  b.ApplyToPen(pen);
  EXPECT_EQ(pen.Color, clNavy);
  EXPECT_EQ(pen.Width, 3);
  EXPECT_EQ(pen.mode, pmCopy);
}

// The main window's plots: 781 x 168, charWidth 8, textHeight 12.
struct MainWindowAxes : testing::Test {
  MainWindowAxes() {
    left.SetFlagsForTest(25);
    left.SetMargin(5);
    left.SetTicksCount(11);
    right.SetFlagsForTest(33);
    right.SetMinMax(-10, 10);
    right.SetTicksCount(11);
    bottom.SetFlagsForTest(512);
    bottom.SetMargin(3);
    bottom.SetMinMax(0, 20);
    bottom.SetTicksCount(21);
  }
  struct Axis : Tsp_Axis {
    using Tsp_Axis::Tsp_Axis;
    void SetFlagsForTest(std::uint32_t f) {
      SetFlagsRaw(f);
      RecalcMapping();
      RecalcTicks();
    }
  };
  Axis left{pulse::plot::kLeftAxisFlags}, right{pulse::plot::kRightAxisFlags},
      bottom{pulse::plot::kBottomAxisFlags}, top{pulse::plot::kTopAxisFlags};
  pulse::plot::PlotAxes axes{left, right, bottom, top};
};

TEST_F(MainWindowAxes, OverhangsOuterDepthsAndField) {
  EXPECT_EQ(left.OuterDepth(8, 12), 1);
  EXPECT_EQ(right.OuterDepth(8, 12), 1 + 3 * 8 + 5);  // "-10"
  EXPECT_EQ(bottom.OuterDepth(8, 12), 1 + 12 + 5);
  EXPECT_EQ(top.OuterDepth(8, 12), 1);
  EXPECT_EQ(bottom.StartOverhang(8, 12), 4);  // "0" centred on the field's first column
  EXPECT_EQ(bottom.EndOverhang(8, 12), 8);    // "20"
  EXPECT_EQ(right.StartOverhang(8, 12), 6);
  EXPECT_EQ(right.EndOverhang(8, 12), 6);
  EXPECT_EQ(left.StartOverhang(8, 12), 0);  // no labels

  const pulse::plot::Rect f = pulse::plot::LayoutAxes(axes, 8, 12, 781, 168);
  EXPECT_EQ(f, (pulse::plot::Rect{9, 10, 747, 147}));
  EXPECT_EQ(left.LineX(), 8);
  EXPECT_EQ(left.ValueToPixel(left.Min()), 146);
  EXPECT_EQ(left.ValueToPixel(left.Max()), 10);
  EXPECT_EQ(bottom.ValueToPixel(0), 9);
  EXPECT_EQ(bottom.ValueToPixel(20), 746);
  EXPECT_EQ(top.LineY(), 9);
  EXPECT_EQ(right.LineX(), 747);
  // Once the lines are placed, the gaps shrink the overhangs of labels not at the ends.
  EXPECT_EQ(pulse::plot::LayoutAxes(axes, 8, 12, 781, 168), f);
}

TEST_F(MainWindowAxes, TinyPlotKeepsAThreePixelField) {
  const pulse::plot::Rect f = pulse::plot::LayoutAxes(axes, 8, 12, 5, 5);
  EXPECT_EQ(f.Width(), 3);
  EXPECT_EQ(f.Height(), 3);
}

}  // namespace
