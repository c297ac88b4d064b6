#include "protocol/receive_buffer.h"

#include <algorithm>
#include <cstring>

namespace pulse::protocol {

bool ReceiveBuffer::Append(const uint8_t* data, size_t size) {
  if (size > kMaxChunk) return false;
  if (size == 0) return true;
  if (write_ + size > kCapacity) {
    // Compact only now, so each byte moves at most once per buffer length.
    // The parser leaves under a frame's worth unparsed, so all of it fits;
    // if ever it did not, the oldest bytes would give way.
    const size_t keep = std::min(UnparsedSize(), kCapacity - size);
    std::memmove(data_.data(), data_.data() + write_ - keep, keep);
    read_ = 0;
    write_ = keep;
  }
  std::memcpy(data_.data() + write_, data, size);
  write_ += size;
  return true;
}

void ReceiveBuffer::Clear() {
  read_ = write_ = 0;
  ++generation_;
}

}  // namespace pulse::protocol
