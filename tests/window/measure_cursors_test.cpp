#include "window/measure_cursors.h"

#include <gtest/gtest.h>

namespace {

using pulse::window::MeasureCursors;
using Which = MeasureCursors::Which;

TEST(MeasureCursorsTest, ReadsValuesAndDeltasBetweenAAndB) {
  const std::vector<double> t{0.0, 0.5, 1.0, 1.5, 2.0};
  const std::vector<double> v{10, 20, 40, 30, 0};
  MeasureCursors cursors;
  auto none = cursors.Read(t, v);
  EXPECT_FALSE(none.a);
  EXPECT_FALSE(none.delta_t);
  cursors.Place(Which::kA, 0.25);  // halfway between 10 and 20
  auto only_a = cursors.Read(t, v);
  ASSERT_TRUE(only_a.a);
  EXPECT_DOUBLE_EQ(only_a.a->value, 15);
  EXPECT_FALSE(only_a.rate_bpm);
  cursors.Place(Which::kB, 1.25);  // halfway between 40 and 30
  auto both = cursors.Read(t, v);
  ASSERT_TRUE(both.delta_t && both.delta_value && both.rate_bpm);
  EXPECT_DOUBLE_EQ(*both.delta_t, 1.0);
  EXPECT_DOUBLE_EQ(*both.delta_value, 20);
  EXPECT_DOUBLE_EQ(*both.rate_bpm, 60);
  // B before A: Δ signed, the rate still positive.
  cursors.Place(Which::kB, 0.0);
  auto back = cursors.Read(t, v);
  EXPECT_DOUBLE_EQ(*back.delta_t, -0.25);
  EXPECT_DOUBLE_EQ(*back.delta_value, -5);
  EXPECT_DOUBLE_EQ(*back.rate_bpm, 240);
  // Both on the same time: no rate, no division by zero.
  cursors.Place(Which::kB, 0.25);
  EXPECT_FALSE(cursors.Read(t, v).rate_bpm);
}

TEST(MeasureCursorsTest, ValuesClampAtTheEndsAndHandlesPickTheNearestCursor) {
  const std::vector<double> t{1.0, 2.0};
  const std::vector<double> v{5, 7};
  EXPECT_DOUBLE_EQ(*pulse::window::ValueAt(t, v, -4), 5);
  EXPECT_DOUBLE_EQ(*pulse::window::ValueAt(t, v, 9), 7);
  EXPECT_FALSE(pulse::window::ValueAt({}, {}, 1));
  MeasureCursors cursors;
  EXPECT_FALSE(cursors.HandleAt(1, 10));
  cursors.Place(Which::kA, 1.0);
  cursors.Place(Which::kB, 2.0);
  EXPECT_EQ(cursors.HandleAt(1.4, 0.5), Which::kA);
  EXPECT_EQ(cursors.HandleAt(1.6, 0.5), Which::kB);
  EXPECT_FALSE(cursors.HandleAt(3.0, 0.5));
  cursors.Clear();
  EXPECT_FALSE(cursors.Time(Which::kA));
}

}  // namespace
