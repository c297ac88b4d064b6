#include "protocol/receive_buffer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

using pulse::protocol::ReceiveBuffer;

TEST(ReceiveBuffer, ChunkLimit) {
  ReceiveBuffer b;
  std::vector<uint8_t> chunk(ReceiveBuffer::kMaxChunk + 1, 0x55);
  EXPECT_FALSE(b.Append(chunk.data(), chunk.size()));
  EXPECT_EQ(b.UnparsedSize(), 0u);
  EXPECT_TRUE(b.Append(chunk.data(), ReceiveBuffer::kMaxChunk));
  EXPECT_EQ(b.UnparsedSize(), ReceiveBuffer::kMaxChunk);
}

// Reaching the end moves the unparsed bytes to the front: they survive in
// order, and the buffer keeps accepting chunks indefinitely.
TEST(ReceiveBuffer, FullBufferKeepsUnparsedBytes) {
  ReceiveBuffer b;
  std::vector<uint8_t> chunk(1000);
  uint8_t next = 0;    // value of the next byte appended
  uint8_t expect = 0;  // value of the next byte consumed
  for (int round = 0; round < 500; ++round) {
    for (auto& c : chunk) c = next++;
    ASSERT_TRUE(b.Append(chunk.data(), chunk.size()));
    ASSERT_LE(b.WritePos(), ReceiveBuffer::kCapacity);
    // Leave a varying tail unparsed, as a half-arrived frame would.
    const size_t leave = static_cast<size_t>(round % 17);
    const size_t take = b.UnparsedSize() - leave;
    for (size_t i = 0; i < take; ++i) ASSERT_EQ(b.Unparsed()[i], static_cast<uint8_t>(expect + i));
    expect = static_cast<uint8_t>(expect + take);
    b.Consume(take);
  }
  EXPECT_EQ(b.Unparsed()[0], expect);
}

TEST(ReceiveBuffer, ClearEmptiesAndChangesGeneration) {
  ReceiveBuffer b;
  const uint8_t bytes[3] = {1, 2, 3};
  ASSERT_TRUE(b.Append(bytes, 3));
  const auto g = b.Generation();
  b.Clear();
  EXPECT_EQ(b.UnparsedSize(), 0u);
  EXPECT_NE(b.Generation(), g);
  b.Consume(10);  // over-consuming stays within the data
  EXPECT_EQ(b.ReadPos(), b.WritePos());
}

}  // namespace
