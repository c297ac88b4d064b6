// Splits what the device sent into its frames (F0 1F length code data checksum) and checks
// each checksum: a lost, doubled or reordered byte breaks a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pulse::test {

struct StreamCheck {
  size_t frames = 0;
  size_t data_frames = 0;  // code 0x34
  size_t broken = 0;       // bytes that do not form a frame with a good checksum
};

inline StreamCheck CheckDeviceStream(const std::vector<uint8_t>& bytes) {
  constexpr uint8_t kSync = 0xF0, kDeviceToHost = 0x1F, kDataCode = 0x34;
  StreamCheck check;
  size_t i = 0;
  while (i < bytes.size()) {
    if (i + 4 > bytes.size() || bytes[i] != kSync || bytes[i + 1] != kDeviceToHost) {
      ++check.broken;
      ++i;
      continue;
    }
    const size_t total = size_t{bytes[i + 2]} + 4;
    if (i + total > bytes.size()) {
      check.broken += bytes.size() - i;
      break;
    }
    uint8_t sum = 0;
    for (size_t k = 0; k + 1 < total; ++k) sum = static_cast<uint8_t>(sum + bytes[i + k]);
    if (sum != bytes[i + total - 1]) {
      ++check.broken;
      ++i;
      continue;
    }
    ++check.frames;
    if (bytes[i + 3] == kDataCode) ++check.data_frames;
    i += total;
  }
  return check;
}

}  // namespace pulse::test
