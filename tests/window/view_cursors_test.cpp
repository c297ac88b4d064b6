// The measurement cursors on the views: placing at a pixel, grabbing and
// dragging a handle, and the read-out against the wave the view draws.
#include "window/view_cursors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/fake_view_plot.h"

namespace {

using pulse::window::ViewAxis;
using pulse::window::ViewCursors;
using pulse::test::FakeViewPlot;
using Which = pulse::window::MeasureCursors::Which;

class FakeCursorMarks : public pulse::window::ICursorMarks {
 public:
  void ShowCursors(std::optional<double> a_t, std::optional<double> b_t) override {
    a = a_t;
    b = b_t;
    ++calls;
  }
  std::optional<double> a, b;
  int calls = 0;
};

// Time 0..10 s over pixels 100..500 (25 pixels a second); the wave is 2·t.
class Cursors : public ::testing::Test {
 protected:
  void SetUp() override {
    for (FakeViewPlot* p : {&p1_, &p2_, &p3_}) {
      p->SetAxisMinMax(ViewAxis::kTime, 0, 10);
      for (int i = 0; i <= 100; ++i) p->AddPoint(i / 10.0, 2 * i / 10.0);
    }
    state_.UnitFactor = 1.0;  // mbar
    cursors_.SetMarks({&m1_, &m2_, &m3_});
  }
  static int Pixel(double t) { return FakeViewPlot::kFieldLeft + static_cast<int>(t * 40); }

  pulse::form::TFormState state_;
  FakeViewPlot p1_, p2_, p3_;
  FakeCursorMarks m1_, m2_, m3_;
  ViewCursors cursors_{state_, {&p1_, &p2_, &p3_}};
};

TEST_F(Cursors, PlacedAtAPixelTheyReadTimeValueDeltasAndRate) {
  cursors_.Place(2, Which::kA, Pixel(2.5));
  EXPECT_EQ(cursors_.ActiveView(), 2);
  ASSERT_TRUE(cursors_.Readout().a);
  EXPECT_DOUBLE_EQ(cursors_.Readout().a->t, 2.5);
  EXPECT_DOUBLE_EQ(cursors_.Readout().a->value, 5.0);
  EXPECT_FALSE(cursors_.Readout().delta_t);
  cursors_.Place(2, Which::kB, Pixel(3.5));
  const auto& r = cursors_.Readout();
  ASSERT_TRUE(r.delta_t && r.delta_value && r.rate_bpm);
  EXPECT_DOUBLE_EQ(*r.delta_t, 1.0);
  EXPECT_DOUBLE_EQ(*r.delta_value, 2.0);
  EXPECT_DOUBLE_EQ(*r.rate_bpm, 60.0);
  EXPECT_EQ(cursors_.Text(),
            "A 2.500 s 5.00  B 3.500 s 7.00  Δt 1.000 s  Δ 2.00 mbar  60.0 bpm  (视图2)");
  // Only view 2's marks moved, to the placed times.
  EXPECT_EQ(m2_.a, 2.5);
  EXPECT_EQ(m2_.b, 3.5);
  EXPECT_EQ(m1_.calls, 0);
  EXPECT_FALSE(m3_.a);
}

TEST_F(Cursors, AHandleIsGrabbedNearItsLineAndDragged) {
  cursors_.Place(1, Which::kA, Pixel(2.0));
  cursors_.Place(1, Which::kB, Pixel(6.0));
  EXPECT_FALSE(cursors_.BeginDrag(1, Pixel(4.0))) << "between the cursors: a click, not a drag";
  EXPECT_FALSE(cursors_.Dragging());
  EXPECT_FALSE(cursors_.BeginDrag(3, Pixel(6.0))) << "view 3 has no cursors";
  ASSERT_TRUE(cursors_.BeginDrag(1, Pixel(6.0) + ViewCursors::kGrabPixels));
  cursors_.DragTo(Pixel(8.0));
  EXPECT_DOUBLE_EQ(*cursors_.Cursors(1).Time(Which::kB), 8.0);
  EXPECT_DOUBLE_EQ(*cursors_.Cursors(1).Time(Which::kA), 2.0);
  EXPECT_EQ(m1_.b, 8.0);
  EXPECT_DOUBLE_EQ(*cursors_.Readout().delta_t, 6.0);
  EXPECT_DOUBLE_EQ(*cursors_.Readout().rate_bpm, 10.0);
  cursors_.EndDrag();
  cursors_.DragTo(Pixel(9.0));
  EXPECT_DOUBLE_EQ(*cursors_.Cursors(1).Time(Which::kB), 8.0) << "moves after the release";
}

TEST_F(Cursors, TheReadOutFollowsNewDataAndClearing) {
  cursors_.Place(3, Which::kA, Pixel(1.0));
  cursors_.Place(3, Which::kB, Pixel(1.0));
  EXPECT_FALSE(cursors_.Readout().rate_bpm) << "no rate for a Δt of 0";
  // The view is drawn anew (playback): the values are read again.
  p3_.ClearSeries();
  for (int i = 0; i <= 100; ++i) p3_.AddPoint(i / 10.0, -1.0);
  const uint64_t before = cursors_.Revision();
  cursors_.Refresh();
  EXPECT_DOUBLE_EQ(cursors_.Readout().a->value, -1.0);
  EXPECT_GT(cursors_.Revision(), before);
  // A gap at the cursor shows no number.
  p3_.ClearSeries();
  p3_.AddPoint(0.0, std::numeric_limits<double>::quiet_NaN());
  p3_.AddPoint(2.0, std::numeric_limits<double>::quiet_NaN());
  cursors_.Refresh();
  EXPECT_NE(cursors_.Text().find("A 1.000 s --  B"), std::string::npos) << cursors_.Text();
  cursors_.Clear(3);
  EXPECT_EQ(cursors_.Text(), "");
  EXPECT_FALSE(m3_.a);
  EXPECT_FALSE(m3_.b);
}

}  // namespace
