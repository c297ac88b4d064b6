// Thinned line drawing: the min/max summaries against a plain scan, and field renders from
// thinned points against renders of every point, which must match pixel for pixel.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <vector>

#include "plot/min_max_pyramid.h"
#include "tests/plot_xy/plot_fixture.h"

using namespace pulse::plot;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(MinMaxPyramid, SpansEqualAPlainScanAcrossBlockEdges) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(-100, 100);
  pulse::plot::MinMaxPyramid pyramid;
  std::vector<double> v;
  // Past 16^4 values, so that four levels are in use.
  for (std::size_t n : {1u, 2u, 15u, 16u, 17u, 31u, 256u, 257u, 4095u, 4096u, 70000u}) {
    while (v.size() < n) {
      v.push_back(value(rng));
      pyramid.Append(v.back());
    }
    ASSERT_EQ(pyramid.Count(), n);
    std::uniform_int_distribution<std::size_t> pos(0, n - 1);
    for (int q = 0; q < 400; ++q) {
      std::size_t a = pos(rng), b = pos(rng);
      if (a > b) std::swap(a, b);
      ++b;
      if (q == 0) a = 0, b = n;  // the whole run
      double lo = v[a], hi = v[a];
      for (std::size_t i = a; i < b; ++i) lo = std::min(lo, v[i]), hi = std::max(hi, v[i]);
      const pulse::plot::MinMax m = pyramid.Span(v.data(), a, b);
      ASSERT_EQ(m.min, lo) << n << " [" << a << "," << b << ")";
      ASSERT_EQ(m.max, hi) << n << " [" << a << "," << b << ")";
    }
  }
}

TEST(MinMaxPyramid, NaNWidensOnlyTheSpansHoldingItAndClearStartsOver) {
  pulse::plot::MinMaxPyramid pyramid;
  std::vector<double> v;
  for (int i = 0; i < 5000; ++i) {
    v.push_back(i == 3000 ? kNaN : std::sin(i * 0.01));
    pyramid.Append(v.back());
  }
  const double inf = std::numeric_limits<double>::infinity();
  for (auto [a, b] : {std::pair<std::size_t, std::size_t>{0, 5000},
                      {2999, 3001},
                      {100, 4000},
                      {3000, 3001},
                      {2048, 4096}}) {
    const pulse::plot::MinMax m = pyramid.Span(v.data(), a, b);
    EXPECT_EQ(m.min, -inf) << a << "," << b;
    EXPECT_EQ(m.max, inf) << a << "," << b;
  }
  const pulse::plot::MinMax before = pyramid.Span(v.data(), 0, 3000);
  const pulse::plot::MinMax after = pyramid.Span(v.data(), 3001, 5000);
  EXPECT_TRUE(std::isfinite(before.min) && std::isfinite(before.max));
  EXPECT_TRUE(std::isfinite(after.min) && std::isfinite(after.max));

  pyramid.Clear();
  EXPECT_EQ(pyramid.Count(), 0u);
  v.clear();
  for (int i = 0; i < 300; ++i) {
    v.push_back(i);
    pyramid.Append(i);
  }
  const pulse::plot::MinMax m = pyramid.Span(v.data(), 0, 300);
  EXPECT_EQ(m.min, 0);
  EXPECT_EQ(m.max, 299);
}

TEST(XYDataSeries, TracksWhetherXNeverDecreases) {
  Tsp_XYLine s;
  EXPECT_TRUE(s.XNonDecreasing());
  s.AddPoint(1, 0);
  s.AddPoint(1, 5);  // equal x is fine
  s.AddPoint(2, 0);
  EXPECT_TRUE(s.XNonDecreasing());
  EXPECT_EQ(s.YSpans().Count(), 3u);
  s.AddPoint(1.5, 0);
  EXPECT_FALSE(s.XNonDecreasing());
  s.AddPoint(3, 0);  // once lost, lost until cleared
  EXPECT_FALSE(s.XNonDecreasing());
  s.Clear();
  EXPECT_TRUE(s.XNonDecreasing());
  EXPECT_EQ(s.YSpans().Count(), 0u);
  s.AddPoint(kNaN, 0);
  EXPECT_FALSE(s.XNonDecreasing());
  s.Clear();
  s.AddPoint(0, 0);
  s.AddPoint(kNaN, 0);
  EXPECT_FALSE(s.XNonDecreasing());
}

// A plot as the main window sets it up, field about 200 columns wide, x 0..100, y -10..10.
struct Field {
  Tsp_XYPlot p;
  Tsp_XYLine line;
  Field() {
    pulse::test::ApplyMainWindowSettings(p, &line, nullptr);
    p.SetSize(240, 140);
    p.BottomAxis().SetMinMax(0, 100);
    p.LeftAxis().SetMinMax(-10, 10);
  }
  QImage Render(bool thin) {
    line.SetDecimation(thin);
    p.InvalidateParts(Part::kField);
    p.Paint();
    return p.Screen().copy();
  }
};

// Renders the field from thinned points and from every point; the pictures must be equal
// and the thinning must have been used (or not) as expected.
::testing::AssertionResult SameAsFullDraw(Field& f, bool expect_thinned) {
  const QImage thin = f.Render(true);
  const bool thinned = f.line.LastDrawDecimated();
  const QImage full = f.Render(false);
  if (f.line.LastDrawDecimated()) return ::testing::AssertionFailure() << "full draw thinned";
  if (thinned != expect_thinned)
    return ::testing::AssertionFailure()
           << "thinned: " << thinned << ", expected " << expect_thinned;
  if (thin.size() != full.size()) return ::testing::AssertionFailure() << "sizes differ";
  int diffs = 0, fx = -1, fy = -1;
  for (int y = 0; y < full.height(); ++y)
    for (int x = 0; x < full.width(); ++x)
      if (thin.pixel(x, y) != full.pixel(x, y) && diffs++ == 0) fx = x, fy = y;
  if (diffs == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << diffs << " pixels differ, first at " << fx << "," << fy;
}

TEST(Decimation, RandomDataDrawsTheSamePixels) {
  for (unsigned seed = 1; seed <= 24; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    Field f;
    // Some runs start left of the field and end right of it, some end inside it; some reach
    // beyond the top and bottom; steps of 0 put points on one x; gaps leave columns empty.
    const int n = seed % 6 == 0 ? 70000 : 3000 + static_cast<int>(u(rng) * 20000);
    const double x0 = -20 + u(rng) * 30;
    const double x_end = seed % 2 ? 80 + u(rng) * 10 : 110 + u(rng) * 20;
    const double step = (x_end - x0) / (0.85 * n);  // 20 % zero steps, 0.1 % gaps of 50
    const double amplitude = seed % 3 == 0 ? 14 : 6;
    double x = x0, y = 0;
    for (int i = 0; i < n; ++i) {
      const double r = u(rng);
      x += r < 0.2 ? 0 : r < 0.999 ? step : step * 50;
      if (seed % 4 == 0)
        y = (u(rng) * 2 - 1) * amplitude;  // noise
      else
        y = std::clamp(y + (u(rng) - 0.5) * amplitude * 0.2, -amplitude, amplitude);  // walk
      f.line.AddPoint(x, y);
    }
    EXPECT_TRUE(SameAsFullDraw(f, true)) << "seed " << seed;
  }
}

TEST(Decimation, PulseTrainsDrawTheSamePixels) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> gap(20, 400), width(1, 3), height(-9, 9);
    Field f;
    const int n = 30000;
    int next = gap(rng), left = 0, level = 0;
    for (int i = 0; i < n; ++i) {
      if (i == next) {
        left = width(rng);
        level = height(rng);
        next = i + gap(rng);
      }
      // Baseline with flat stretches, one- to three-sample pulses and a slow swell.
      const double base = std::floor(std::sin(i * 0.0007) * 3);
      f.line.AddPoint(i * (seed % 2 ? 0.003 : 0.0041), left-- > 0 ? level : base);
    }
    EXPECT_TRUE(SameAsFullDraw(f, true)) << "seed " << seed;
  }
}

TEST(Decimation, LastColumnOfTheSeriesDrawsTheSamePixels) {
  // The series ends inside the field with a column of several points: its last row is left
  // out by the full draw unless an earlier step leaves it (e.g. 8, 3, 6, 3 covers row 3;
  // 8, 3, 3 does not).
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> count(1, 9), pick(0, 4);
  const double rows[] = {-6, -3, 0, 3, 6};
  for (int trial = 0; trial < 300; ++trial) {
    Field f;
    for (int i = 0; i < 2000; ++i) f.line.AddPoint(i * 0.03, std::sin(i * 0.05) * 4);
    const int k = count(rng);
    for (int i = 0; i < k; ++i) f.line.AddPoint(70, rows[pick(rng)]);
    ASSERT_TRUE(SameAsFullDraw(f, true)) << "trial " << trial;
  }
  // A whole series inside one column and one row.
  Field one;
  for (int i = 0; i < 3000; ++i) one.line.AddPoint(50, i % 2 ? 1.0 : 1.001);
  EXPECT_TRUE(SameAsFullDraw(one, true));
}

TEST(Decimation, FarXKeepsTheSkippedSegmentRule) {
  // Far left to inside, inside to far right, and far left straight to far right: that last
  // segment crosses the field but is skipped in both draws.
  for (int variant = 0; variant < 3; ++variant) {
    Field f;
    for (int i = 0; i < 1500; ++i) f.line.AddPoint(-1e12, i % 7 - 3);
    if (variant != 2)
      for (int i = 0; i < 3000; ++i) f.line.AddPoint(40 + i * 0.01, std::cos(i * 0.1) * 5);
    if (variant != 0)
      for (int i = 0; i < 1500; ++i) f.line.AddPoint(1e12, i % 5 - 2);
    EXPECT_TRUE(SameAsFullDraw(f, true)) << "variant " << variant;
  }
}

TEST(Decimation, MarksStillDrawnForEveryPoint) {
  Field f;
  f.line.PointAttr().SetVisible(true);
  f.line.PointAttr().SetKind(ptCross);
  for (int i = 0; i < 6000; ++i) f.line.AddPoint(i * 0.015, std::sin(i * 0.3) * 7);
  EXPECT_TRUE(SameAsFullDraw(f, true));
}

TEST(Decimation, FallsBackToEveryPointWhereTheRuleDoesNotHold) {
  const auto dense = [](Field& f, int n = 5000) {
    for (int i = 0; i < n; ++i) f.line.AddPoint(i * 100.0 / n, std::sin(i * 0.2) * 6);
  };
  {
    Field f;  // x steps back once
    dense(f);
    f.line.AddPoint(10, 0);
    EXPECT_TRUE(SameAsFullDraw(f, false));
  }
  {
    Field f;  // a NaN among the drawn y values
    dense(f);
    f.line.AddPoint(100, kNaN);
    EXPECT_TRUE(SameAsFullDraw(f, false));
  }
  {
    Field f;  // a spike to a far row inside the field's columns
    dense(f);
    f.line.AddPoint(100, 1e9);
    EXPECT_TRUE(SameAsFullDraw(f, false));
  }
  {
    Field f;  // NaN and far values only left of the field do not matter
    f.line.AddPoint(-50, kNaN);
    f.line.AddPoint(-40, 1e9);
    f.line.AddPoint(-30, 1e9);
    f.line.AddPoint(-20, 0);  // the segment from here into the field is drawn
    dense(f);
    EXPECT_TRUE(SameAsFullDraw(f, true));
  }
  {
    Field f;  // dashed pen
    dense(f);
    f.line.LineAttr().SetStyle(psDash);
    EXPECT_TRUE(SameAsFullDraw(f, false));
  }
  {
    Field f;  // wide pen
    dense(f);
    f.line.LineAttr().SetWidth(2);
    EXPECT_TRUE(SameAsFullDraw(f, false));
  }
  {
    Field f;  // x axis running right to left
    dense(f);
    f.p.BottomAxis().SetInversed(true);
    EXPECT_TRUE(SameAsFullDraw(f, false));
  }
  {
    Field f;  // too few points per column to gain anything
    dense(f, 400);
    EXPECT_TRUE(SameAsFullDraw(f, false));
  }
}

TEST(Decimation, FollowsAppendsClearAndAxisChanges) {
  Field f;
  for (int i = 0; i < 5000; ++i) f.line.AddPoint(i * 0.01, std::sin(i * 0.02) * 5);
  EXPECT_TRUE(SameAsFullDraw(f, true));
  // More points after a render, ending on odd block edges, with a new extreme.
  for (int i = 5000; i < 9001; ++i) f.line.AddPoint(i * 0.01, i == 7000 ? 9.5 : std::cos(i) * 4);
  EXPECT_TRUE(SameAsFullDraw(f, true));
  f.p.BottomAxis().SetMinMax(60, 75);  // zoomed in: a few points per column
  f.p.LeftAxis().SetMinMax(-2, 2);     // rows beyond the field
  EXPECT_TRUE(SameAsFullDraw(f, true));
  f.p.BottomAxis().MoveRange(-55);
  EXPECT_TRUE(SameAsFullDraw(f, true));
  // Cleared after a decreasing x: thinning is back for the new, increasing points.
  f.line.AddPoint(0, 0);
  EXPECT_TRUE(SameAsFullDraw(f, false));
  f.line.Clear();
  f.p.BottomAxis().SetMinMax(0, 100);
  f.p.LeftAxis().SetMinMax(-10, 10);
  for (int i = 0; i < 4000; ++i) f.line.AddPoint(i * 0.02, -(i % 50) * 0.1);
  EXPECT_TRUE(SameAsFullDraw(f, true));
}

}  // namespace
