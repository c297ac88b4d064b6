#include "plot/print_geometry.h"

#include <gtest/gtest.h>

using namespace pulse::plot;

namespace {

// The preview's page area: a 370 x 369 panel at the dialog's top-left corner.
const Rect kOuter{0, 0, 370, 369};

TEST(PictureSize, SmallPlotIsEnlargedKeepingItsShape) {
  // s = max(75 / 40, 100 / 60) = 1.875 -> trunc(112.5) + 1, trunc(75) + 1
  EXPECT_EQ(MinimumPictureSize({60, 40}), (PrintSize{113, 76}));
  EXPECT_EQ(MinimumPictureSize({100, 75}), (PrintSize{100, 75}));
  // One row short: s = 75 / 74, the width follows.
  EXPECT_EQ(MinimumPictureSize({100, 74}), (PrintSize{102, 76}));
  EXPECT_EQ(MinimumPictureSize({781, 168}), (PrintSize{781, 168}));
  // A tall narrow plot grows by its width.
  EXPECT_EQ(MinimumPictureSize({50, 200}), (PrintSize{101, 401}));
}

TEST(PictureSize, CollapsedPlotStillGivesAFinitePicture) {
  const PrintSize s = MinimumPictureSize({0, 0});
  EXPECT_GE(s.Width, kMinPictureWidth);
  EXPECT_GE(s.height, kMinPictureHeight);
  EXPECT_LT(s.Width, 1000);
}

TEST(Orientation, WidePictureIsLandscape) {
  EXPECT_EQ(OrientationFor({113, 76}), PageOrientation::kLandscape);
  EXPECT_EQ(OrientationFor({100, 100}), PageOrientation::kPortrait);
  EXPECT_EQ(OrientationFor({100, 300}), PageOrientation::kPortrait);
}

TEST(Proportion, TwoPercentBoundary) {
  EXPECT_FALSE(ProportionChanged({200, 100}, {200, 100}));
  EXPECT_FALSE(ProportionChanged({200, 100}, {203, 100}));  // 1.5 %
  EXPECT_TRUE(ProportionChanged({200, 100}, {205, 100}));   // 2.5 %
  EXPECT_TRUE(ProportionChanged({200, 100}, {200, 97}));    // 3.1 %
  EXPECT_FALSE(ProportionChanged({400, 200}, {200, 100}));  // same shape, half size
}

TEST(FitProportion, CentresOnTheSpareDirection) {
  // Wide shape in a square box: full width, centred vertically.
  EXPECT_EQ(FitProportion(100, 100, 2.0), (Rect{0, 25, 100, 75}));
  // Tall shape: full height, centred horizontally.
  EXPECT_EQ(FitProportion(100, 100, 0.5), (Rect{25, 0, 75, 100}));
  // c = round(101 / 2) = 50 (ties to even), (101 - 50) div 2 = 25
  EXPECT_EQ(FitProportion(101, 101, 2.0), (Rect{0, 25, 101, 75}));
}

TEST(PageLayout, LandscapePageFitsPanelWidth) {
  // A4 landscape, 297 x 210: c = round(362 / 1.4143) = 256 <= 361, so full width.
  const PageLayout l = LayOutPage(kOuter, 297, 210);
  EXPECT_EQ(l.shape, (Rect{4, 4 + (361 - 256) / 2, 366, 4 + 52 + 256}));
  // Margins: round(0.1 * 362) = 36, round(0.1 * 256) = 26 (25.6).
  EXPECT_EQ(l.printable, (Rect{40, 56 + 26, 330, 312 - 26}));
}

TEST(PageLayout, PortraitPageFitsPanelHeight) {
  // A4 portrait: c = round(362 / 0.7071) = 512 > 361, so 361 high, round(0.7071 * 361) = 255 wide.
  const PageLayout l = LayOutPage(kOuter, 210, 297);
  EXPECT_EQ(l.shape, (Rect{4 + (362 - 255) / 2, 4, 4 + 53 + 255, 365}));
  // round(25.5) = 26 (ties to even), round(36.1) = 36
  EXPECT_EQ(l.printable, (Rect{57 + 26, 4 + 36, 312 - 26, 365 - 36}));
}

TEST(PageLayout, TinyPageKeepsAOnePixelMargin) {
  const PageLayout l = LayOutPage(Rect{0, 0, 12, 12}, 1, 1);
  EXPECT_EQ(l.shape, (Rect{4, 4, 8, 8}));
  EXPECT_EQ(l.printable, (Rect{5, 5, 7, 7}));
}

TEST(Placement, KeepsProportionAtPrintableTopLeftOrFills) {
  const Rect printable{40, 82, 330, 286};  // 290 x 204
  // 113 x 76: c = round(290 / 1.4868) = 195 <= 204 -> 290 x 195, (204 - 195) div 2 = 4 down.
  EXPECT_EQ(PlacePicture({113, 76}, printable, false), (Rect{40, 86, 330, 281}));
  EXPECT_EQ(PlacePicture({113, 76}, printable, true), printable);
}

TEST(RenderSize, FillFollowsThePrintableProportion) {
  const Rect printable{0, 0, 300, 200};  // r = 1.5
  EXPECT_EQ(RenderSize({781, 168}, printable, false), (PrintSize{781, 168}));
  EXPECT_EQ(RenderSize({781, 168}, printable, true), (PrintSize{781, 521}));  // 520.67
  EXPECT_EQ(RenderSize({100, 300}, printable, true), (PrintSize{450, 300}));
}

TEST(Destination, SameRelativePlaceOnThePrinterPage) {
  const Rect shape{4, 56, 366, 312};   // 362 x 256
  const Rect image{40, 86, 330, 281};  // 290 x 195 at (36, 30) inside the shape
  // An A4 landscape page at 600 dpi: 7016 x 4961 device pixels.
  const Rect d = DestinationRect(shape, image, 7016, 4961);
  // round(7016 * 36 / 362) = 698 (697.7); round(4961 * 30 / 256) = 581 (581.4)
  // width round(7016 * 290 / 362) = 5621 (5620.6); height round(4961 * 195 / 256) = 3779 (3778.9)
  EXPECT_EQ(d, (Rect{698, 581, 698 + 5621, 581 + 3779}));
  // The whole shape maps to the whole page.
  EXPECT_EQ(DestinationRect(shape, shape, 7016, 4961), (Rect{0, 0, 7016, 4961}));
}

TEST(LayoutState, FirstUseLaysOutThenTwoPercentRuleKeepsPlacement) {
  PrintLayoutState st;
  ASSERT_TRUE(st.SetPlotSize({781, 168}));  // first use
  st.LayOutAndPlace(kOuter, 297, 210);
  EXPECT_FALSE(st.FirstUse());
  const Rect placed = st.Image();

  // The operator drags the picture elsewhere.
  const Rect moved = Offset(placed, 0, 20);
  st.SetImage(moved);
  // Same plot, 1 % wider in proportion: placement survives.
  EXPECT_FALSE(st.SetPlotSize({789, 168}));
  EXPECT_EQ(st.Image(), moved);
  // 5 % change: placed afresh by the caller.
  ASSERT_TRUE(st.SetPlotSize({829, 168}));
  st.LayOutAndPlace(kOuter, 297, 210);
  EXPECT_NE(st.Image(), moved);
  EXPECT_EQ(st.Image().left, st.Layout().printable.left);
}

TEST(LayoutState, FillModeIgnoresProportionChanges) {
  PrintLayoutState st;
  ASSERT_TRUE(st.SetPlotSize({300, 100}));  // first use
  st.LayOutAndPlace(kOuter, 297, 210);
  st.SetFill(true);
  st.Place();
  EXPECT_EQ(st.Image(), st.Layout().printable);
  EXPECT_FALSE(st.SetPlotSize({100, 300}));
  // The rendered picture takes the printable area's proportion.
  const PrintSize r = st.RenderedSize();
  EXPECT_NEAR(static_cast<double>(r.Width) / r.height,
              static_cast<double>(st.Layout().printable.Width()) / st.Layout().printable.Height(),
              0.01);
}

}  // namespace
