// Rubber-band zoom, pan, restore, the axis zoom event and the inverted cursor line.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/plot_xy/plot_fixture.h"

using namespace pulse::plot;

namespace {

using State = Tsp_XYPlot::MouseState;

constexpr TShiftState kShiftLeft = ssShift | ssLeft;
constexpr TShiftState kCtrlLeft = ssCtrl | ssLeft;

struct MousePlot {
  Tsp_XYPlot p;
  std::vector<TCursor> cursors;
  MousePlot() {
    p.SetSize(300, 200);
    p.BottomAxis().SetMinMax(0, 20);
    p.LeftAxis().SetMinMax(0, 10);
    p.RightAxis().SetMinMax(-5, 5);
    p.TopAxis().SetMinMax(100, 200);
    p.OnSetCursor = [this](TCursor c) { cursors.push_back(c); };
    p.Paint();
  }
  void Drag(TShiftState keys, int x0, int y0, int x1, int y1) {
    p.MouseDown(mbLeft, keys, x0, y0);
    p.MouseMove(keys, x1, y1);
    p.MouseUp(mbLeft, keys & ~ssLeft, x1, y1);
  }
  struct Ranges {
    double v[8];
    bool operator==(const Ranges& o) const {
      for (int i = 0; i < 8; ++i)
        if (v[i] != o.v[i]) return false;
      return true;
    }
  };
  Ranges Snapshot() {
    Tsp_Axis* a[] = {&p.LeftAxis(), &p.RightAxis(), &p.BottomAxis(), &p.TopAxis()};
    Ranges r{};
    for (int i = 0; i < 4; ++i) {
      r.v[2 * i] = a[i]->Min();
      r.v[2 * i + 1] = a[i]->Max();
    }
    return r;
  }
};

TEST(MouseZoom, DragLeftwardZoomsToTheNormalisedSpan) {
  MousePlot t;
  t.p.SetZoom(zpdHorizontal);
  const double a = t.p.BottomAxis().PixelToValue(51);
  const double b = t.p.BottomAxis().PixelToValue(101);
  const double ta = t.p.TopAxis().PixelToValue(51);
  const double tb = t.p.TopAxis().PixelToValue(101);
  const auto before = t.Snapshot();
  t.Drag(kShiftLeft, 100, 80, 50, 120);
  EXPECT_DOUBLE_EQ(t.p.BottomAxis().Min(), a);
  EXPECT_DOUBLE_EQ(t.p.BottomAxis().Max(), b);
  EXPECT_DOUBLE_EQ(t.p.TopAxis().Min(), ta);
  EXPECT_DOUBLE_EQ(t.p.TopAxis().Max(), tb);
  // Horizontal zoom: the band spans the field's height, the vertical axes stay.
  EXPECT_EQ(t.p.MouseRect().top, t.p.FieldRect().top);
  EXPECT_EQ(t.p.MouseRect().bottom, t.p.FieldRect().bottom);
  EXPECT_EQ(t.p.LeftAxis().Min(), before.v[0]);
  EXPECT_EQ(t.p.RightAxis().Max(), before.v[3]);
  EXPECT_FALSE(t.p.LayoutValid());
  EXPECT_EQ(t.p.GetMouseState(), State::kIdle);
  EXPECT_EQ(t.cursors, (std::vector<TCursor>{crCross, crDefault}));

  // A plain shift-click restores all four axes.
  t.p.Paint();
  t.p.MouseDown(mbLeft, kShiftLeft, 10, 10);
  t.p.MouseUp(mbLeft, ssShift, 10, 10);
  EXPECT_TRUE(t.Snapshot() == before);
  EXPECT_FALSE(t.p.LayoutValid());
  EXPECT_FALSE(t.p.BottomAxis().RangeRemembered());
}

TEST(MouseZoom, BandStartsAfterMoreThanThreePixels) {
  MousePlot t;
  t.p.MouseDown(mbLeft, kShiftLeft, 100, 100);
  EXPECT_EQ(t.p.GetMouseState(), State::kZoomPressed);
  t.p.MouseMove(kShiftLeft, 103, 97);
  EXPECT_EQ(t.p.GetMouseState(), State::kZoomPressed);
  t.p.MouseMove(kShiftLeft, 100, 104);
  EXPECT_EQ(t.p.GetMouseState(), State::kZooming);
}

TEST(MouseZoom, SmallBandsAreIgnoredThreeByThreeApplies) {
  MousePlot t;
  const auto before = t.Snapshot();
  // 2 x 50 after normalising: ignored, nothing remembered.
  t.p.MouseDown(mbLeft, kShiftLeft, 100, 50);
  t.p.MouseMove(kShiftLeft, 100, 100);
  t.p.MouseMove(kShiftLeft, 102, 100);
  t.p.MouseUp(mbLeft, ssShift, 102, 100);
  EXPECT_TRUE(t.Snapshot() == before);
  EXPECT_FALSE(t.p.LeftAxis().RangeRemembered());
  EXPECT_EQ(t.p.GetMouseState(), State::kIdle);

  t.p.MouseDown(mbLeft, kShiftLeft, 100, 100);
  t.p.MouseMove(kShiftLeft, 110, 110);
  t.p.MouseMove(kShiftLeft, 103, 103);
  const double x0 = t.p.BottomAxis().PixelToValue(100), x1 = t.p.BottomAxis().PixelToValue(103);
  const double y0 = t.p.LeftAxis().PixelToValue(103), y1 = t.p.LeftAxis().PixelToValue(100);
  t.p.MouseUp(mbLeft, ssShift, 103, 103);
  EXPECT_DOUBLE_EQ(t.p.BottomAxis().Min(), x0);
  EXPECT_DOUBLE_EQ(t.p.BottomAxis().Max(), x1);
  EXPECT_DOUBLE_EQ(t.p.LeftAxis().Min(), y0);
  EXPECT_DOUBLE_EQ(t.p.LeftAxis().Max(), y1);
  EXPECT_TRUE(t.p.LeftAxis().RangeRemembered());
}

TEST(MouseZoom, AxisZoomEventMayVetoOneAxisAndAutoFlagsStay) {
  MousePlot t;
  t.p.LeftAxis().SetAutoMax(true);  // no data: range unchanged, flag set
  t.p.OnAxisZoom = [&](Tsp_Axis& axis, double& mn, double& mx, bool& canZoom) {
    if (&axis == &t.p.LeftAxis()) canZoom = false;
    if (&axis == &t.p.TopAxis()) {
      mn = 150;
      mx = 160;
    }
  };
  const auto before = t.Snapshot();
  t.Drag(kShiftLeft, 60, 40, 160, 140);
  EXPECT_EQ(t.p.LeftAxis().Min(), before.v[0]);
  EXPECT_EQ(t.p.LeftAxis().Max(), before.v[1]);
  EXPECT_NE(t.p.RightAxis().Min(), before.v[2]);
  EXPECT_NE(t.p.BottomAxis().Min(), before.v[4]);
  EXPECT_EQ(t.p.TopAxis().Min(), 150);
  EXPECT_EQ(t.p.TopAxis().Max(), 160);
  EXPECT_TRUE(t.p.LeftAxis().AutoMax());
  EXPECT_FALSE(t.p.BottomAxis().AutoMax());
}

TEST(MousePan, TenPixelsRightOnZeroToTwentyOverTwoHundred) {
  MousePlot t;
  // Size the plot so that the bottom axis is drawn over exactly 200 pixels.
  t.p.SetSize(300 + 200 - t.p.BottomAxis().LineLength(), 200);
  t.p.Paint();
  t.p.SetSize(t.p.Width() + 200 - t.p.BottomAxis().LineLength(), 200);
  t.p.Paint();
  ASSERT_EQ(t.p.BottomAxis().LineLength(), 200);
  const double leftMin = t.p.LeftAxis().Min();
  t.p.MouseDown(mbLeft, kCtrlLeft, 100, 50);
  EXPECT_EQ(t.p.GetMouseState(), State::kPanPressed);
  t.p.MouseMove(kCtrlLeft, 100, 50);  // no movement: still only pressed
  EXPECT_EQ(t.p.GetMouseState(), State::kPanPressed);
  t.p.MouseMove(kCtrlLeft, 110, 50);
  EXPECT_EQ(t.p.GetMouseState(), State::kPanning);
  EXPECT_DOUBLE_EQ(t.p.BottomAxis().Min(), -1);
  EXPECT_DOUBLE_EQ(t.p.BottomAxis().Max(), 19);
  EXPECT_EQ(t.p.LeftAxis().Min(), leftMin);
  // Frame and field, without a new layout.
  EXPECT_TRUE(t.p.LayoutValid());
  EXPECT_FALSE(t.p.FrameValid());
  EXPECT_FALSE(t.p.FieldValid());
  // Dragging down raises the vertical ranges.
  t.p.MouseMove(kCtrlLeft, 110, 60);
  EXPECT_GT(t.p.LeftAxis().Min(), leftMin);
  t.p.MouseUp(mbLeft, ssCtrl, 110, 60);
  EXPECT_EQ(t.p.GetMouseState(), State::kIdle);
  EXPECT_EQ(t.cursors, (std::vector<TCursor>{crDefault, crDefault}));
  // A plain shift-click undoes the pan as well.
  t.p.MouseDown(mbLeft, kShiftLeft, 5, 5);
  t.p.MouseUp(mbLeft, ssShift, 5, 5);
  EXPECT_DOUBLE_EQ(t.p.BottomAxis().Min(), 0);
  EXPECT_DOUBLE_EQ(t.p.LeftAxis().Min(), leftMin);
}

TEST(MouseZoom, OnlyExactKeysStartAndNoneDisables) {
  MousePlot t;
  t.p.MouseDown(mbLeft, ssShift | ssCtrl | ssLeft, 50, 50);
  EXPECT_EQ(t.p.GetMouseState(), State::kIdle);
  t.p.MouseDown(mbLeft, kShiftLeft | ssDouble, 50, 50);
  EXPECT_EQ(t.p.GetMouseState(), State::kIdle);
  t.p.MouseDown(mbRight, ssShift | ssRight, 50, 50);
  EXPECT_EQ(t.p.GetMouseState(), State::kIdle);
  t.p.SetZoomShiftKeys(ssAlt);
  EXPECT_EQ(t.p.ZoomShiftKeys(), ssAlt);
  t.p.MouseDown(mbLeft, kShiftLeft, 50, 50);
  EXPECT_EQ(t.p.GetMouseState(), State::kIdle);
  t.p.MouseDown(mbLeft, ssAlt | ssLeft, 50, 50);
  EXPECT_EQ(t.p.GetMouseState(), State::kZoomPressed);
  t.p.MouseUp(mbLeft, ssAlt, 50, 50);

  // The main window's setting: the mouse only produces the plain events.
  t.p.SetZoom(zpdNone);
  t.p.SetPan(zpdNone);
  int downs = 0, ups = 0;
  t.p.OnMouseDown = [&](Tsp_XYPlot&, TMouseButton, TShiftState, int, int) { ++downs; };
  t.p.OnMouseUp = [&](Tsp_XYPlot&, TMouseButton, TShiftState, int, int) { ++ups; };
  const auto before = t.Snapshot();
  t.Drag(ssAlt | ssLeft, 50, 50, 150, 150);
  t.Drag(kCtrlLeft, 50, 50, 150, 150);
  EXPECT_TRUE(t.Snapshot() == before);
  EXPECT_EQ(downs, 2);
  EXPECT_EQ(ups, 2);
}

TEST(MouseZoom, BandIsInvertedAndErasedBitForBit) {
  MousePlot t;
  const QImage original = t.p.Screen().copy();
  t.p.MouseDown(mbLeft, kShiftLeft, 60, 60);
  t.p.MouseMove(kShiftLeft, 120, 120);
  EXPECT_NE(t.p.Screen(), original);
  t.p.MouseMove(kShiftLeft, 140, 90);
  // Back to a 2-pixel band, which the release ignores after erasing it.
  t.p.MouseMove(kShiftLeft, 62, 62);
  t.p.MouseUp(mbLeft, ssShift, 62, 62);
  EXPECT_EQ(t.p.Screen(), original);
}

TEST(CursorLine, DrawnTwiceRestoresThePicture) {
  MousePlot t;
  const QImage original = t.p.Screen().copy();
  int requests = 0;
  t.p.OnRequestUpdate = [&] { ++requests; };
  t.p.SetXCursorVal(10);
  EXPECT_EQ(t.p.Screen(), original);  // off: nothing drawn
  t.p.SetXCursorOn(true);
  const QImage on = t.p.Screen().copy();
  const int x = t.p.BottomAxis().ValueToPixel(10);
  const TRect f = t.p.FieldRect();
  EXPECT_EQ(on.pixel(x, f.top + 5), ~original.pixel(x, f.top + 5) | 0xFF000000u);
  EXPECT_EQ(on.pixel(x, f.top), original.pixel(x, f.top));  // rows T+1..B-2 only
  EXPECT_EQ(on.pixel(x + 1, f.top + 5), original.pixel(x + 1, f.top + 5));
  EXPECT_EQ(requests, 1);
  EXPECT_FALSE(t.p.NeedsPaint()) << "no repaint, only a new look at the screen";

  // Same pixel: nothing drawn.
  t.p.SetXCursorVal(10 + 1e-9);
  EXPECT_EQ(t.p.Screen(), on);
  t.p.SetXCursorVal(12);
  t.p.SetXCursorOn(false);
  EXPECT_EQ(t.p.Screen(), original);
}

TEST(CursorLine, EdgesOfTheBottomAxis) {
  MousePlot t;
  const QImage original = t.p.Screen().copy();
  t.p.SetXCursorVal(0);  // column L: not shown
  t.p.SetXCursorOn(true);
  EXPECT_EQ(t.p.Screen(), original);
  t.p.SetXCursorVal(20);  // column R - 1: shown
  EXPECT_NE(t.p.Screen(), original);
  // A repaint puts the line back on the new picture.
  t.p.Invalidate();
  t.p.Paint();
  EXPECT_NE(t.p.Screen(), original);
  t.p.SetXCursorOn(false);
  EXPECT_EQ(t.p.Screen(), original);
}

}  // namespace

namespace {

// Mouse read-outs map pixels through the layout; a plot that was never painted, or was just
// resized, must lay itself out first. The twin plot, painted at the same size, shows where
// the field lies.
TEST(MouseLayout, ClickBeforeFirstPaintAndAfterResizeMapsThroughTheNewLayout) {
  Tsp_XYPlot twin;
  pulse::test::ApplyMainWindowSettings(twin, nullptr, nullptr);
  twin.SetSize(781, 168);
  twin.Paint();
  const TRect field = twin.FieldRect();
  ASSERT_GT(field.right - field.left, 700);
  const int mid_x = (field.left + field.right) / 2;
  const int mid_y = (field.top + field.bottom) / 2;

  Tsp_XYPlot fresh;
  pulse::test::ApplyMainWindowSettings(fresh, nullptr, nullptr);
  fresh.SetSize(781, 168);
  fresh.MouseDown(mbLeft, ssLeft, mid_x, mid_y);
  fresh.MouseUp(mbLeft, 0, mid_x, mid_y);
  EXPECT_EQ(fresh.FieldRect(), field);
  EXPECT_NEAR(fresh.BottomAxis().PixelToValue(mid_x), 10.0, 20.0 / 700);
  EXPECT_NEAR(fresh.RightAxis().PixelToValue(mid_y), 0.0, 20.0 / 100);

  Tsp_XYPlot resized;
  pulse::test::ApplyMainWindowSettings(resized, nullptr, nullptr);
  resized.SetSize(300, 100);
  resized.Paint();
  resized.SetSize(781, 168);
  resized.MouseMove(0, mid_x, mid_y);
  EXPECT_NEAR(resized.BottomAxis().PixelToValue(mid_x), 10.0, 20.0 / 700);
  // The next paint keeps the layout the mouse saw.
  resized.Paint();
  EXPECT_EQ(resized.FieldRect(), field);
}

}  // namespace
