// The frames the simulated device builds and the command frames it reads.
#include "tools/virtual-sensor/device_frames.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using pulse::vsensor::CommandReader;

TEST(DeviceFrames, RepliesAndDataFramesCarryTheAdditiveChecksum) {
  EXPECT_EQ(pulse::vsensor::DeviceFrame(0x31, {}), (Bytes{0xF0, 0x1F, 0x01, 0x31, 0x41}));
  const std::int16_t st[] = {10}, wave[] = {500};
  EXPECT_EQ(pulse::vsensor::DataFrame(st, wave),
            (Bytes{0xF0, 0x1F, 0x05, 0x34, 0x0A, 0x00, 0xF4, 0x01, 0x47}));
  // Three channels: static then wave per channel, two's complement, low byte first.
  const std::int16_t st3[] = {-1, 0x1234, -32768}, wave3[] = {-500, 32767, 0};
  const Bytes f = pulse::vsensor::DataFrame(st3, wave3);
  ASSERT_EQ(f.size(), 17u);
  EXPECT_EQ(Bytes(f.begin(), f.begin() + 16),
            (Bytes{0xF0, 0x1F, 0x0D, 0x34, 0xFF, 0xFF, 0x0C, 0xFE, 0x34, 0x12, 0xFF, 0x7F, 0x00,
                   0x80, 0x00, 0x00}));
  unsigned sum = 0;
  for (int i = 0; i < 16; ++i) sum += f[i];
  EXPECT_EQ(f[16], sum % 256);
}

std::vector<pulse::vsensor::ReceivedCommand> FeedBytewise(CommandReader& r, const Bytes& b) {
  std::vector<pulse::vsensor::ReceivedCommand> all;
  for (std::uint8_t x : b) {
    auto got = r.Feed({&x, 1});
    all.insert(all.end(), got.begin(), got.end());
  }
  return all;
}

TEST(CommandReader, KnowsEveryCommandEvenByteByByte) {
  CommandReader r;
  const Bytes stream{0xF0, 0x2F, 0x01, 0x31, 0x51, 0xF0, 0x2F, 0x01, 0x32, 0x52, 0xF0,
                     0x2F, 0x01, 0x33, 0x53, 0xF0, 0x2F, 0x02, 0x33, 0xC8, 0x1C, 0xF0,
                     0x2F, 0x01, 0x35, 0x55, 0xF0, 0x2F, 0x01, 0x36, 0x56, 0xF0, 0x2F,
                     0x01, 0x37, 0x57, 0xF0, 0x2F, 0x02, 0x33, 0x05, 0x59};
  const auto got = FeedBytewise(r, stream);
  const pulse::vsensor::Command want[] = {
      pulse::vsensor::kStart,          pulse::vsensor::kStop,        pulse::vsensor::kReadZero,
      pulse::vsensor::kSetFrequency,   pulse::vsensor::kZero,        pulse::vsensor::kSerialNumber,
      pulse::vsensor::kProductionDate, pulse::vsensor::kSetFrequency};
  ASSERT_EQ(got.size(), std::size(want));
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].command, want[i]) << i;
  EXPECT_EQ(got[3].parameter, 200);
  EXPECT_EQ(got[7].parameter, 5);
  EXPECT_EQ(r.GetCounters().garbage_bytes, 0u);
}

TEST(CommandReader, ATruncatedCommandDoesNotSwallowTheNextOne) {
  CommandReader r;
  // A start command cut after its length byte, then a whole one.
  const auto got = r.Feed(Bytes{0xF0, 0x2F, 0x01, 0xF0, 0x2F, 0x01, 0x31, 0x51});
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].command, pulse::vsensor::kStart);
  EXPECT_EQ(r.GetCounters().bad_checksum, 1u);
  EXPECT_EQ(r.GetCounters().garbage_bytes, 2u);
  // A device frame echoed back is not a command.
  EXPECT_TRUE(r.Feed(Bytes{0xF0, 0x1F, 0x01, 0x31, 0x41}).empty());
  EXPECT_EQ(r.GetCounters().garbage_bytes, 7u);
}

}  // namespace
