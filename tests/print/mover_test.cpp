#include "plot/mover.h"

#include <gtest/gtest.h>

#include <vector>

using namespace pulse::plot;

namespace {

using pulse::plot::Rect;

// Records what the mover does to the control and the screen; outlines toggle like inversion.
class FakeHost : public TMoverHost {
 public:
  Rect bounds{100, 50, 200, 125};  // 100 x 75
  TCursor cursor = crDefault;
  std::vector<Rect> visible;  // outlines currently on screen
  int bounds_sets = 0;

  Rect ControlBounds() const override { return bounds; }
  void SetControlBounds(const Rect& r) override {
    bounds = r;
    ++bounds_sets;
  }
  TCursor ControlCursor() const override { return cursor; }
  void SetControlCursor(TCursor c) override { cursor = c; }
  void InvertOutline(const Rect& r) override {
    for (auto it = visible.begin(); it != visible.end(); ++it) {
      if (*it == r) {
        visible.erase(it);
        return;
      }
    }
    visible.push_back(r);
  }
};

class MoverTest : public ::testing::Test {
 protected:
  FakeHost host_;
  TMover mover_{host_};
  void SetUp() override { mover_.SetLimitRect(Rect{40, 40, 330, 290}); }
  void Drag(int x0, int y0, int x1, int y1) {
    mover_.MouseMove(0, x0, y0);
    mover_.MouseDown(mbLeft, ssLeft, x0, y0);
    mover_.MouseMove(ssLeft, x1, y1);
    mover_.MouseUp(mbLeft, 0, x1, y1);
  }
};

TEST_F(MoverTest, HoverOffersResizeNearRightAndBottomEdgesAndRestoresOwnCursor) {
  constexpr TCursor kOwn = 42;
  host_.cursor = kOwn;
  mover_.MouseMove(0, 93, 10);  // 7 from the right edge
  EXPECT_EQ(host_.cursor, crSizeWE);
  mover_.MouseMove(0, 50, 70);  // 5 from the bottom edge
  EXPECT_EQ(host_.cursor, crSizeNS);
  mover_.MouseMove(0, 100, 75);  // corner: width wins
  EXPECT_EQ(host_.cursor, crSizeWE);
  mover_.MouseMove(0, 92, 69);  // inside both grips' reach no more
  EXPECT_EQ(host_.cursor, kOwn);
}

TEST_F(MoverTest, DragMovesOnlyOnRelease) {
  mover_.MouseDown(mbLeft, ssLeft, 20, 20);
  EXPECT_EQ(mover_.Mode(), TMover::kMove);
  ASSERT_EQ(host_.visible.size(), 1u);
  mover_.MouseMove(ssLeft, 30, 25);
  EXPECT_EQ(host_.bounds, (Rect{100, 50, 200, 125}));  // only the outline follows
  ASSERT_EQ(host_.visible.size(), 1u);
  EXPECT_EQ(host_.visible[0], (Rect{110, 55, 210, 130}));
  mover_.MouseUp(mbLeft, 0, 30, 25);
  EXPECT_TRUE(host_.visible.empty());
  EXPECT_EQ(host_.bounds, (Rect{110, 55, 210, 130}));
  EXPECT_EQ(mover_.Mode(), TMover::kIdle);
}

TEST_F(MoverTest, MoveStopsFlushWithThePageEdges) {
  Drag(20, 20, 20 + 500, 20);
  EXPECT_EQ(host_.bounds, (Rect{230, 50, 330, 125}));
  Drag(20, 20, 20 - 900, 20 - 900);
  EXPECT_EQ(host_.bounds, (Rect{40, 40, 140, 115}));
  Drag(20, 20, 20, 20 + 900);
  EXPECT_EQ(host_.bounds, (Rect{40, 215, 140, 290}));
}

TEST_F(MoverTest, RightButtonOrShiftedPressDoesNothing) {
  mover_.MouseDown(mbRight, ssRight, 20, 20);
  mover_.MouseMove(ssRight, 60, 60);
  mover_.MouseUp(mbRight, 0, 60, 60);
  mover_.MouseDown(mbLeft, ssLeft | ssShift, 20, 20);
  mover_.MouseMove(ssLeft | ssShift, 60, 60);
  mover_.MouseUp(mbLeft, ssShift, 60, 60);
  mover_.MouseDown(mbLeft, ssLeft | ssRight, 20, 20);  // another button held
  mover_.MouseMove(ssLeft | ssRight, 60, 60);
  mover_.MouseUp(mbLeft, 0, 60, 60);
  EXPECT_EQ(mover_.Mode(), TMover::kIdle);
  EXPECT_EQ(host_.bounds, (Rect{100, 50, 200, 125}));
  EXPECT_EQ(host_.bounds_sets, 0);
  EXPECT_TRUE(host_.visible.empty());
}

TEST_F(MoverTest, ResizeByWidthKeepsAspectAndStopsAtPageBottom) {
  Drag(98, 10, 98 + 40, 10);  // 140 wide -> 105 high
  EXPECT_EQ(host_.bounds, (Rect{100, 50, 240, 155}));
  // Far right: clipped to the limit's right (230 wide -> 172 high, fits under 290).
  Drag(138, 10, 138 + 400, 10);
  EXPECT_EQ(host_.bounds, (Rect{100, 50, 330, 222}));
}

TEST_F(MoverTest, ResizeByWidthAgainstBottomTakesWidthFromHeight) {
  mover_.SetLimitRect(Rect{40, 40, 330, 150});
  Drag(98, 10, 98 + 60, 10);  // 160 x 120 would pass 150: height 100, width round(4/3 * 100)
  EXPECT_EQ(host_.bounds, (Rect{100, 50, 233, 150}));
}

TEST_F(MoverTest, NarrowerThanNineteenIsRefusedAndOutlineStays) {
  mover_.MouseMove(0, 98, 10);
  mover_.MouseDown(mbLeft, ssLeft, 98, 10);
  ASSERT_EQ(mover_.Mode(), TMover::kResizeWidth);
  mover_.MouseMove(ssLeft, 98 - 75, 10);  // 25 wide: accepted
  ASSERT_EQ(host_.visible.size(), 1u);
  EXPECT_EQ(host_.visible[0], (Rect{100, 50, 125, 69}));  // round(25 / 1.333) = 19
  mover_.MouseMove(ssLeft, 23 - 10, 10);                  // 15 wide: clamps to 18, still refused
  ASSERT_EQ(host_.visible.size(), 1u);
  EXPECT_EQ(host_.visible[0], (Rect{100, 50, 125, 69}));
  mover_.MouseUp(mbLeft, 0, 13, 10);
  EXPECT_EQ(host_.bounds, (Rect{100, 50, 125, 69}));
}

TEST_F(MoverTest, ResizeByHeightAndItsLimits) {
  mover_.MouseMove(0, 50, 72);
  ASSERT_EQ(host_.cursor, crSizeNS);
  mover_.MouseDown(mbLeft, ssLeft, 50, 72);
  EXPECT_EQ(mover_.Mode(), TMover::kResizeHeight);
  mover_.MouseMove(ssLeft, 50, 72 + 45);        // 120 high -> 160 wide
  mover_.MouseMove(ssLeft, 50, 72 + 45 - 110);  // 10 high: clamped to 14, refused
  mover_.MouseUp(mbLeft, 0, 50, 7);
  EXPECT_EQ(host_.bounds, (Rect{100, 50, 260, 170}));
  // Far down: the width hits the page's right, the height follows it.
  mover_.MouseMove(0, 50, 117);
  Drag(50, 117, 50, 117 + 500);
  EXPECT_EQ(host_.bounds, (Rect{100, 50, 330, 222}));  // 172.5 rounds to even
}

TEST_F(MoverTest, MouseUpWithoutDragChangesNothing) {
  mover_.MouseUp(mbLeft, 0, 5, 5);
  EXPECT_EQ(host_.bounds_sets, 0);
  EXPECT_TRUE(host_.visible.empty());
}

}  // namespace
