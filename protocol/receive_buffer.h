// Bytes received from the device and not yet parsed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pulse::protocol {

class ReceiveBuffer {
 public:
  // Fixed sizes of the device link's receive path: chunks longer than this
  // are not serial reads and are dropped whole.
  static constexpr size_t kMaxChunk = 2048;
  static constexpr size_t kCapacity = 61439;

  ReceiveBuffer() : data_(kCapacity) {}

  // Stores a chunk after the unparsed bytes; false (and nothing stored) for
  // a chunk over kMaxChunk. When the end is reached the unparsed bytes move
  // to the front first, so nothing unparsed is lost.
  [[nodiscard]] bool Append(const uint8_t* data, size_t size);
  // Empties the buffer and bumps Generation().
  void Clear();

  [[nodiscard]] const uint8_t* Unparsed() const { return data_.data() + read_; }
  [[nodiscard]] size_t UnparsedSize() const { return write_ - read_; }
  // Marks `n` unparsed bytes as consumed (at most all of them).
  void Consume(size_t n) { read_ = n < UnparsedSize() ? read_ + n : write_; }

  // 0-based positions: next byte to parse and next position to fill.
  [[nodiscard]] size_t ReadPos() const { return read_; }
  [[nodiscard]] size_t WritePos() const { return write_; }
  // Changes on every Clear(), so a caller can tell its pointers went stale.
  [[nodiscard]] uint64_t Generation() const { return generation_; }

 private:
  std::vector<uint8_t> data_;
  size_t read_ = 0;
  size_t write_ = 0;
  uint64_t generation_ = 0;
};

}  // namespace pulse::protocol
