#include "protocol/units.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using pulse::protocol::DecodeInt16;
using pulse::protocol::FormatFixed2;

TEST(DecodeInt16, SignAndByteOrderAtTheEdges) {
  EXPECT_EQ(DecodeInt16(0x00, 0x80), -32768);
  EXPECT_EQ(DecodeInt16(0xFF, 0x7F), 32767);
  EXPECT_EQ(DecodeInt16(0xFF, 0xFF), -1);
  EXPECT_EQ(DecodeInt16(0x00, 0xFF), -256);
  EXPECT_EQ(DecodeInt16(0x01, 0xFF), -255);
  EXPECT_EQ(DecodeInt16(0xFF, 0xFE), -257);
  EXPECT_EQ(DecodeInt16(0x0A, 0x00), 10);
  EXPECT_EQ(DecodeInt16(0x00, 0x01), 256);
}

TEST(ChannelValues, StaticReadOutInEveryUnit) {
  // Raw 10 = 1.0 hPa.
  EXPECT_EQ(FormatFixed2(pulse::protocol::StaticValue(0x0A, 0x00, 1.0)), "1.00");
  EXPECT_EQ(FormatFixed2(pulse::protocol::StaticValue(0x0A, 0x00, 0.1)), "0.10");
  EXPECT_EQ(FormatFixed2(pulse::protocol::StaticValue(0x0A, 0x00, 0.75)), "0.75");
  EXPECT_EQ(FormatFixed2(pulse::protocol::StaticValue(0x0A, 0x00, 10.1972)), "10.20");
  // Largest magnitude: 3276.8 hPa in millimetres of water.
  EXPECT_EQ(FormatFixed2(pulse::protocol::StaticValue(0x00, 0x80, 10.1972)), "-33414.18");
  EXPECT_EQ(FormatFixed2(pulse::protocol::StaticValue(0xFF, 0x7F, 1.0)), "3276.70");
}

TEST(ChannelValues, WaveAndZeroValues) {
  EXPECT_DOUBLE_EQ(pulse::protocol::WaveValue(0xF4, 0x01, 1.0), 0.5);
  EXPECT_DOUBLE_EQ(pulse::protocol::WaveValue(0x0C, 0xFE, 1.0), -0.5);
  EXPECT_DOUBLE_EQ(pulse::protocol::WaveValue(0xF4, 0x01, 10.1972), 5.0986);
  // Zero values ignore the unit: always hectopascal.
  EXPECT_EQ(pulse::protocol::ZeroValueCaption(pulse::protocol::ZeroValue(0xF6, 0xFF)),
            "零点值: -1.00 hPa");
  EXPECT_EQ(pulse::protocol::ZeroValueCaption(pulse::protocol::ZeroValue(0x00, 0x00)),
            "零点值: 0.00 hPa");
}

TEST(UnitTable, FactorsAndUnselectedEntry) {
  EXPECT_DOUBLE_EQ(pulse::protocol::UnitFactorFor(0, 5.0), 0.1);
  EXPECT_DOUBLE_EQ(pulse::protocol::UnitFactorFor(1, 5.0), 1.0);
  EXPECT_DOUBLE_EQ(pulse::protocol::UnitFactorFor(2, 5.0), 0.75);
  EXPECT_DOUBLE_EQ(pulse::protocol::UnitFactorFor(3, 5.0), 10.1972);
  EXPECT_DOUBLE_EQ(pulse::protocol::UnitFactorFor(-1, 5.0), 5.0);
  EXPECT_DOUBLE_EQ(pulse::protocol::UnitFactorFor(4, 5.0), 5.0);
  EXPECT_STREQ(pulse::protocol::kUnitTable[3].name, "毫米水柱");
}

TEST(FormatFixed2, RoundsDecimalTiesAwayFromZeroAndCarries) {
  EXPECT_EQ(FormatFixed2(0.075), "0.08");  // binary 0.07499999...
  EXPECT_EQ(FormatFixed2(-0.075), "-0.08");
  EXPECT_EQ(FormatFixed2(1.005), "1.01");
  EXPECT_EQ(FormatFixed2(1.004999), "1.00");
  EXPECT_EQ(FormatFixed2(99.995), "100.00");
  EXPECT_EQ(FormatFixed2(-9.999), "-10.00");
  EXPECT_EQ(FormatFixed2(0.0), "0.00");
  EXPECT_EQ(FormatFixed2(5), "5.00");
  EXPECT_EQ(FormatFixed2(0.5), "0.50");
  EXPECT_EQ(FormatFixed2(123456.7), "123456.70");
  EXPECT_EQ(FormatFixed2(1e20), "100000000000000000000.00");
}

TEST(FormatFixed2, NoNegativeZeroAndNonFinite) {
  EXPECT_EQ(FormatFixed2(-0.0), "0.00");
  EXPECT_EQ(FormatFixed2(-0.004), "0.00");
  EXPECT_EQ(FormatFixed2(-0.005), "-0.01");
  EXPECT_EQ(FormatFixed2(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FormatFixed2(-std::numeric_limits<double>::infinity()), "-INF");
}

}  // namespace
