#include "protocol/frame_decoder.h"

#include <gtest/gtest.h>

#include "protocol/units.h"
#include "tests/protocol/test_support.h"

namespace pulse::protocol {
namespace {

using test::Bytes;
using test::Data1;
using test::Data3;
using test::Reply;

std::optional<DecodedFrame> Decode(const Bytes& b) {
  return DecodeFrame(std::span<const uint8_t>(b.data(), b.size()));
}

TEST(FrameDecoder, DataFramesCarrySignedRawValuesPerChannel) {
  const auto one = Decode(Data1(10, 500));
  ASSERT_TRUE(one);
  EXPECT_TRUE(one->checksum_ok);
  EXPECT_EQ(one->kind, protocol::FrameKind::kData1);
  const auto& d1 = std::get<DataFrame1>(one->reply);
  EXPECT_EQ(d1.static_raw, 10);
  EXPECT_EQ(d1.wave_raw, 500);

  const auto three = Decode(Data3(-32768, 32767, -1, -256, 1, 7));
  ASSERT_TRUE(three);
  const auto& d3 = std::get<DataFrame3>(three->reply);
  EXPECT_EQ(d3.static_raw, (std::array<int16_t, 3>{-32768, -1, 1}));
  EXPECT_EQ(d3.wave_raw, (std::array<int16_t, 3>{32767, -256, 7}));
}

TEST(FrameDecoder, ChecksumIsReportedNotEnforced) {
  Bytes f = Data3(1, 2, 3, 4, 5, 6);
  f.back() = static_cast<uint8_t>(f.back() + 1);
  const auto d = Decode(f);
  ASSERT_TRUE(d);
  EXPECT_FALSE(d->checksum_ok);
  EXPECT_EQ(std::get<DataFrame3>(d->reply).wave_raw[2], 6);
}

TEST(FrameDecoder, RepliesOfEveryOtherKind) {
  EXPECT_TRUE(std::holds_alternative<StartAck>(Decode(Reply(0x31, {}))->reply));
  EXPECT_TRUE(std::holds_alternative<StopAck>(Decode(Reply(0x32, {}))->reply));
  EXPECT_TRUE(std::holds_alternative<ZeroAck>(Decode(Reply(0x35, {}))->reply));
  EXPECT_EQ(std::get<ZeroValue1>(Decode(Reply(0x33, {0xF6, 0xFF}))->reply).raw, -10);
  EXPECT_EQ(std::get<ZeroValues3>(Decode(Reply(0x33, {1, 0, 2, 0, 0xFF, 0xFF}))->reply).raw,
            (std::array<int16_t, 3>{1, 2, -1}));
  EXPECT_EQ(std::get<FrequencyAck>(Decode(Reply(0x33, {250}))->reply).rate, 250);
  EXPECT_EQ(std::get<SerialNumber>(Decode(Reply(0x36, {0x12, 0x34, 0x56, 0x78}))->reply).bytes,
            (std::array<uint8_t, 4>{0x12, 0x34, 0x56, 0x78}));
  const auto date = Decode(Reply(0x37, {0x19, 0x09, 0x23, 0x20}));
  EXPECT_EQ(date->kind, protocol::FrameKind::kProductionDate);
  EXPECT_EQ(std::get<ProductionDate>(date->reply).bytes,
            (std::array<uint8_t, 4>{0x19, 0x09, 0x23, 0x20}));
}

TEST(FrameDecoder, RefusesWhatIsNotExactlyOneKnownFrame) {
  Bytes f = Data1(1, 2);
  EXPECT_FALSE(Decode(Bytes(f.begin(), f.end() - 1)));  // short
  f.push_back(0);
  EXPECT_FALSE(Decode(f));                       // one byte too many
  EXPECT_FALSE(Decode(Reply(0x38, {})));         // unknown code
  EXPECT_FALSE(Decode(Reply(0x34, {1, 2, 3})));  // data code, unknown length
  Bytes host = Data1(1, 2);
  host[1] = 0x2F;  // a command, not a reply
  EXPECT_FALSE(Decode(host));
  EXPECT_FALSE(Decode(Bytes{0xF0, 0x1F}));
}

TEST(FrameLine, ParsesTheRecordedTextForm) {
  const auto b = ParseFrameLine("F0 1F 05 34 0A 00 F4 01 47");
  ASSERT_TRUE(b);
  ASSERT_EQ(b->size, 9u);
  EXPECT_EQ(b->bytes[0], 0xF0);
  EXPECT_EQ(b->bytes[8], 0x47);
  const auto d = DecodeFrame(b->View());
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->checksum_ok);
  EXPECT_EQ(std::get<DataFrame1>(d->reply).wave_raw, 500);
  // Lower case and doubled blanks are still bytes.
  EXPECT_EQ(ParseFrameLine("f0  1f")->size, 2u);
}

TEST(FrameLine, RefusesDamagedText) {
  EXPECT_FALSE(ParseFrameLine(""));
  EXPECT_FALSE(ParseFrameLine("   "));
  EXPECT_FALSE(ParseFrameLine("F0 1F 0"));    // torn byte
  EXPECT_FALSE(ParseFrameLine("F0 1FF 05"));  // three digits
  EXPECT_FALSE(ParseFrameLine("F0 G1 05"));   // not hex
  EXPECT_FALSE(ParseFrameLine("F0\t1F"));     // not a blank
  std::string too_long;
  for (int i = 0; i < 18; ++i) too_long += "00 ";
  EXPECT_FALSE(ParseFrameLine(too_long));
}

TEST(FrameValues, ScaleLikeTheLiveView) {
  DataFrame3 d;
  d.static_raw = {10, -32768, 0};
  d.wave_raw = {500, -500, 0};
  EXPECT_DOUBLE_EQ(StaticValue(d, 0, 1.0), 1.0);
  EXPECT_DOUBLE_EQ(StaticValue(d, 0, 10.1972), 10.1972);
  EXPECT_DOUBLE_EQ(StaticValue(d, 1, 10.1972), -32768 * 10.1972 / 10);
  EXPECT_DOUBLE_EQ(WaveValue(d, 0, 1.0), 0.5);
  EXPECT_DOUBLE_EQ(WaveValue(d, 1, 0.75), -0.375);
  // The same numbers as the byte form the parser uses.
  EXPECT_EQ(WaveValue(DataFrame1{0, -500}, 10.1972), protocol::WaveValue(0x0C, 0xFE, 10.1972));
  EXPECT_DOUBLE_EQ(ZeroValueHpa(-10), -1.0);
}

}  // namespace
}  // namespace pulse::protocol
