// Range, tick, mapping and shift rules of the scale, without any painting.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "plot/property_store.h"
#include "plot/scale.h"

using namespace pulse::plot;

namespace {

using pulse::plot::scale_flags::kInversed;
using pulse::plot::scale_flags::kNotAdjusted;
using pulse::plot::scale_flags::kNoTicksLabel;
using pulse::plot::scale_flags::kVertical;

// A scale with the requested tick count n, handed over unchecked as a subclass may.
class TestScale : public Tsp_Scale {
 public:
  explicit TestScale(std::uint32_t flags = 0, int n = 5) : Tsp_Scale(flags) {
    SetRequestedTicksRaw(n);
    RecalcTicks();
  }
  std::vector<int> changed;

 protected:
  void FlagChanged(int index) override { changed.push_back(index); }
};

std::vector<double> Ticks(const Tsp_Scale& s) {
  std::vector<double> v;
  for (int i = 0; i < s.TicksCount(); ++i) v.push_back(s.TickValue(i));
  return v;
}

void ExpectTicks(const Tsp_Scale& s, const std::vector<double>& want) {
  const std::vector<double> got = Ticks(s);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << "tick " << i;
}

TEST(ScaleTicks, AdjustedExamples) {
  struct Case {
    double lo, hi;
    int n;
    std::vector<double> ticks;
  };
  const std::vector<Case> cases = {
      {0, 10, 5, {0, 2.5, 5, 7.5, 10}},
      {0, 7, 5, {0, 1.7, 3.4, 5.1, 6.8}},
      {0, 1, 5, {0, 0.2, 0.4, 0.6, 0.8, 1}},
      {0.5, 9.7, 5, {0.5, 2.8, 5.1, 7.4, 9.7}},
      {0, 1000, 5, {0, 250, 500, 750, 1000}},
      {-10, 10, 11, {-10, -8, -6, -4, -2, 0, 2, 4, 6, 8, 10}},
      {0, 20, 21, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi << " n=" << c.n);
    TestScale s(0, c.n);
    s.SetRange(c.lo, c.hi);
    ExpectTicks(s, c.ticks);
  }
}

TEST(ScaleTicks, InvertedRunsFromScaledHighDown) {
  TestScale s(kInversed);
  s.SetRange(0, 10);
  ExpectTicks(s, {10, 7.5, 5, 2.5, 0});
  s.SetLinePos(100, 0, 200);
  EXPECT_EQ(s.ValueToPixel(10), 100);  // Max at x
  EXPECT_EQ(s.ValueToPixel(0), 300);   // Min at x + length
  EXPECT_EQ(s.TickPixel(1), 150);
}

TEST(ScaleTicks, DecadeEdgeGivesHundredScaledUnits) {
  TestScale s;
  s.SetRange(0, 100);
  EXPECT_DOUBLE_EQ(s.ScaleFactor(), 1.0);
  EXPECT_DOUBLE_EQ(s.ScaledHigh() - s.ScaledLow(), 100.0);
  s.SetRange(0, 10);
  EXPECT_DOUBLE_EQ(s.ScaleFactor(), 10.0);
  EXPECT_DOUBLE_EQ(s.ScaledHigh() - s.ScaledLow(), 100.0);
  s.SetRange(0, 20);  // ordinary decade: 20 * 1 = 20 units
  EXPECT_DOUBLE_EQ(s.ScaleFactor(), 1.0);
  s.SetRange(0, 0.1);
  EXPECT_DOUBLE_EQ(s.ScaleFactor(), 100.0);
  s.SetRange(0, 99.9);
  EXPECT_DOUBLE_EQ(s.ScaleFactor(), 1.0);
}

TEST(ScaleRange, EqualEndsAreWidenedAndOrderDoesNotMatter) {
  struct Case {
    double v, lo, hi;
  };
  for (const Case& c :
       std::vector<Case>{{0, 0, 1}, {5, 5, 6}, {50, 49.5, 55}, {100, 99, 110}, {-100, -99, -90}}) {
    TestScale s;
    s.SetRange(c.v, c.v);
    EXPECT_DOUBLE_EQ(s.Min(), c.lo) << c.v;
    EXPECT_DOUBLE_EQ(s.Max(), c.hi) << c.v;
    EXPECT_DOUBLE_EQ(s.Range(), c.hi - c.lo);
  }
  TestScale a, b;
  a.SetRange(3, -7);
  b.SetRange(-7, 3);
  EXPECT_EQ(a.Min(), -7);
  EXPECT_EQ(Ticks(a), Ticks(b));
}

TEST(ScaleRange, NonFiniteEndsKeepThePreviousRange) {
  TestScale s;
  s.SetRange(2, 4);
  s.SetRange(0, std::numeric_limits<double>::infinity());
  s.SetRange(std::numeric_limits<double>::quiet_NaN(), 1);
  s.SetRange(-1e308, 1e308);  // range overflows
  EXPECT_EQ(s.Min(), 2);
  EXPECT_EQ(s.Max(), 4);
  EXPECT_GT(s.TicksCount(), 0);
}

TEST(ScaleTicks, CountsOneZeroAndEvenlySpaced) {
  TestScale one(0, 1);
  one.SetRange(0.05, 9.7);  // scaled low = ceil(0.5) = 1
  ExpectTicks(one, {0.1});
  TestScale one_even(kNotAdjusted, 1);
  one_even.SetRange(0.05, 9.7);
  ExpectTicks(one_even, {0.05});

  TestScale none(0, 0);
  EXPECT_EQ(none.TicksCount(), 0);
  EXPECT_EQ(none.StartOverhang(8, 12), 0);
  EXPECT_EQ(none.EndOverhang(8, 12), 0);
  EXPECT_EQ(none.OuterDepth(8, 12), 1);  // line width only

  TestScale even(kNotAdjusted, 21);
  even.SetRange(0.5, 10.5);
  ASSERT_EQ(even.TicksCount(), 21);
  EXPECT_DOUBLE_EQ(even.TickValue(0), 0.5);
  EXPECT_DOUBLE_EQ(even.TickValue(7), 0.5 + 7 * 0.5);
  EXPECT_DOUBLE_EQ(even.TickValue(20), 10.5);
  // Evenly spaced positions do not depend on inversion; the values do.
  TestScale even_inv(kNotAdjusted | kInversed, 3);
  even_inv.SetRange(0, 10);
  even_inv.SetLinePos(0, 0, 100);
  ExpectTicks(even_inv, {10, 5, 0});
  EXPECT_EQ(even_inv.TickPixel(0), 0);
  EXPECT_EQ(even_inv.TickPixel(2), 100);
}

TEST(ScaleTicks, NeverMoreThanTwentyOne) {
  TestScale s(0, 21);
  s.SetRange(0, 99);  // 99 units, step 99 div 20 = 4, 25 ticks before the clamp
  EXPECT_EQ(s.TicksCount(), pulse::plot::kMaxTicks);
}

// Counts beyond the tick arrays, from any subclass, are clamped by the scale itself: the
// arrays are never written past, in either spacing mode, nor by a later shift.
TEST(ScaleTicks, OversizedOrNegativeRequestsAreClamped) {
  for (std::uint32_t flags : {0u, kNotAdjusted, kNoTicksLabel | kInversed}) {
    SCOPED_TRACE(flags);
    TestScale s(flags, 40);
    s.SetRange(0, 1000);
    s.SetLinePos(0, 0, 400);
    EXPECT_EQ(s.RequestedTicksCount(), pulse::plot::kMaxTicks);
    ASSERT_EQ(s.TicksCount(), pulse::plot::kMaxTicks);
    EXPECT_EQ(s.TickPixel(0), 0);
    EXPECT_EQ(s.TickPixel(pulse::plot::kMaxTicks - 1), 400);
    s.ScrollByValue(7);
    EXPECT_LE(s.TicksCount(), pulse::plot::kMaxTicks);
    EXPECT_GE(s.TicksCount(), pulse::plot::kMaxTicks - 1);
  }
  TestScale none(kNotAdjusted, -3);
  EXPECT_EQ(none.RequestedTicksCount(), 0);
  EXPECT_EQ(none.TicksCount(), 0);
}

TEST(ScaleMapping, ClampAndInverse) {
  TestScale h;
  h.SetRange(0, 10);
  h.SetLinePos(10, 30, 100);
  EXPECT_EQ(h.ValueToPixel(0), 10);
  EXPECT_EQ(h.ValueToPixel(10), 110);
  EXPECT_EQ(h.ValueToPixel(0.25), 12);  // 12.5 rounds to even
  EXPECT_EQ(h.ValueToPixel(0.75), 18);  // 17.5 rounds to even
  EXPECT_EQ(h.ValueToPixel(1e9), pulse::plot::kPixelClamp);
  EXPECT_EQ(h.ValueToPixel(-1e9), -pulse::plot::kPixelClamp);
  EXPECT_EQ(h.ValueToPixel(1e300), pulse::plot::kPixelClamp);
  EXPECT_DOUBLE_EQ(h.PixelToValue(60), 5.0);

  TestScale v(kVertical);
  v.SetRange(-10, 10);
  v.SetLinePos(9, 146, 136);
  EXPECT_EQ(v.ValueToPixel(-10), 146);  // Min at y
  EXPECT_EQ(v.ValueToPixel(10), 10);    // Max at y - length
  EXPECT_NEAR(v.PixelToValue(78), 0.0, 1e-12);
}

TEST(ScaleMapping, LinePositionIsRepairedAndMovesTicks) {
  TestScale s;
  s.SetRange(0, 10);
  s.SetLinePos(0, 0, -40);
  EXPECT_EQ(s.LineLength(), 40);
  EXPECT_EQ(s.TickPixel(4), 40);
  s.SetLinePos(0, 0, 0);
  EXPECT_EQ(s.LineLength(), 1);
  EXPECT_EQ(s.ValueToPixel(10), 1);
}

TEST(ScaleShift, AdjustedKeepsGridValues) {
  TestScale s;
  s.SetRange(0, 10);
  s.SetLinePos(0, 0, 100);
  s.ScrollByValue(1);
  EXPECT_DOUBLE_EQ(s.Min(), 1);
  EXPECT_DOUBLE_EQ(s.Max(), 11);
  ExpectTicks(s, {2.5, 5, 7.5, 10});
  EXPECT_EQ(s.TickPixel(0), 15);
  s.ScrollByValue(-3);  // -2..8
  ExpectTicks(s, {0, 2.5, 5, 7.5});
  EXPECT_DOUBLE_EQ(s.ScaleFactor(), 10.0);
  EXPECT_EQ(s.TickStep(), 25);
}

TEST(ScaleShift, InvertedAndByPixels) {
  TestScale s(kInversed);
  s.SetRange(0, 10);
  s.SetLinePos(0, 0, 100);
  s.ScrollByValue(1);
  ExpectTicks(s, {10, 7.5, 5, 2.5});
  // Dragging 20 pixels on a 100-pixel line over 10 units shifts by 2 units.
  TestScale p;
  p.SetRange(0, 10);
  p.SetLinePos(0, 0, 100);
  p.ScrollByPixels(20);
  EXPECT_DOUBLE_EQ(p.Min(), 2);
  ExpectTicks(p, {2.5, 5, 7.5, 10});
}

TEST(ScaleShift, BeyondRangeRecomputesTicks) {
  TestScale s;
  s.SetRange(0, 10);
  s.ScrollByValue(23.4);  // 23.4..33.4, scaled 234..334, step 25 from 234
  ExpectTicks(s, {23.4, 25.9, 28.4, 30.9, 33.4});
  s.ScrollByValue(0);  // nothing at all
  ExpectTicks(s, {23.4, 25.9, 28.4, 30.9, 33.4});
}

TEST(ScaleShift, EvenlySpacedGridMovesWithTheData) {
  TestScale s(kNotAdjusted, 5);
  s.SetRange(0, 20);
  s.SetLinePos(0, 0, 100);
  s.ScrollByValue(1);  // 5 pixels; the grid of every 5 units stays on 5, 10, 15, 20
  ASSERT_EQ(s.TicksCount(), 4);
  ExpectTicks(s, {5, 10, 15, 20});
  EXPECT_EQ(s.TickPixel(0), 20);

  TestScale v(kNotAdjusted | kVertical, 5);
  v.SetRange(0, 20);
  v.SetLinePos(0, 100, 100);
  v.ScrollByValue(1);
  ExpectTicks(v, {5, 10, 15, 20});
  EXPECT_EQ(v.TickPixel(0), 80);
}

TEST(ScaleFlags, HookOnlyOnChangeAndInvertedBits) {
  TestScale s;
  s.SetTicksLines(true);  // bit 3 already clear
  s.SetInversed(false);
  EXPECT_TRUE(s.changed.empty());
  s.SetTicksLines(false);
  s.SetTicksAdjusted(false);
  s.SetNoTicksLabel(true);
  EXPECT_EQ(s.changed, (std::vector<int>{3, 9, 4}));
  EXPECT_EQ(s.Flags(), 8u | 512u | 16u);
  EXPECT_TRUE(s.EvenlySpaced());
}

TEST(ScalePersist, RoundTripAndMissingMin) {
  TestScale s(kVertical | kInversed);
  s.SetRange(-3, 7);
  s.SetLinePos(4, 5, 60);
  pulse::plot::PropertyStore store;
  s.SaveProperties(store);
  ASSERT_EQ(store.Entries().size(), 4u);
  EXPECT_EQ(store.Entries()[0].first, "SFlags");
  EXPECT_EQ(store.Entries()[1].second, "4 5 60");

  TestScale t;
  t.LoadProperties(store);
  EXPECT_TRUE(t.changed.empty());  // flags are taken without the hook
  EXPECT_EQ(t.Flags(), s.Flags());
  EXPECT_EQ(t.Min(), -3);
  EXPECT_EQ(t.Max(), 7);
  EXPECT_EQ(t.ValueToPixel(7), s.ValueToPixel(7));
  EXPECT_EQ(Ticks(t), Ticks(s));

  TestScale zero_min;
  zero_min.SetRange(0, 50);
  pulse::plot::PropertyStore z;
  zero_min.SaveProperties(z);
  EXPECT_FALSE(z.Has("fMin"));
  TestScale u;
  u.SetRange(20, 30);
  u.LoadProperties(z);
  EXPECT_EQ(u.Min(), 0);  // absent fMin reads as 0
  EXPECT_EQ(u.Max(), 50);
}

}  // namespace

namespace {

// Over many random ranges, counts and shifts: ticks stay inside the range, keep their step
// and, after a shift within the range, stay on the grid they had before.
TEST(ScaleProperties, RandomRangesAndShifts) {
  std::mt19937 rng(20190923);
  std::uniform_real_distribution<double> exponent(-6, 6), unit(-1, 1);
  std::uniform_int_distribution<int> count(1, 21), flags(0, 3);
  for (int round = 0; round < 3000; ++round) {
    const std::uint32_t f = (flags(rng) & 1 ? kInversed : 0) | (flags(rng) & 2 ? kVertical : 0);
    TestScale s(f, count(rng));
    const double scale = std::pow(10.0, exponent(rng));
    s.SetRange(unit(rng) * scale, unit(rng) * scale);
    s.SetLinePos(10, 300, 500);
    SCOPED_TRACE(testing::Message() << "round " << round << " " << s.Min() << ".." << s.Max());
    const double eps = s.Range() * 1e-9;
    auto check_inside = [&] {
      ASSERT_GE(s.TicksCount(), 1);
      ASSERT_LE(s.TicksCount(), pulse::plot::kMaxTicks);
      for (int i = 0; i < s.TicksCount(); ++i) {
        EXPECT_GE(s.TickValue(i), s.Min() - eps);
        EXPECT_LE(s.TickValue(i), s.Max() + eps);
        EXPECT_EQ(s.TickPixel(i), s.ValueToPixel(s.TickValue(i)));  // pixels follow values
      }
      const double step = s.TickStep() / s.ScaleFactor() * (s.Inversed() ? -1 : 1);
      for (int i = 1; i < s.TicksCount(); ++i)
        EXPECT_NEAR(s.TickValue(i) - s.TickValue(i - 1), step, eps);
    };
    check_inside();
    const double grid_origin = s.TickValue(0);
    const double grid_step = s.TickStep() / s.ScaleFactor();
    s.ScrollByValue(unit(rng) * s.Range());
    check_inside();
    for (int i = 0; i < s.TicksCount(); ++i) {
      const double k = (s.TickValue(i) - grid_origin) / grid_step;
      EXPECT_NEAR(k, std::round(k), 1e-6) << "tick " << i << " left the grid";
    }
  }
}

}  // namespace
