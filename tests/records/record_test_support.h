// Frame lines and folder listings of the records tests (with the shared temporary folders).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace pulse::test {

namespace fs = std::filesystem;

// Raw values of one three-channel frame.
struct Raw3 {
  int16_t s[3];
  int16_t w[3];
};

inline std::string LineOf(const std::vector<uint8_t>& bytes) {
  std::string line;
  char hex[4];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    if (!line.empty()) line += ' ';
    line += hex;
  }
  return line;
}

inline void Put16(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

inline uint8_t Sum(const std::vector<uint8_t>& b) {
  unsigned s = 0;
  for (uint8_t x : b) s += x;
  return static_cast<uint8_t>(s);
}

// A three-channel frame line; `checksum_delta` spoils the checksum.
inline std::string Line3(const Raw3& r, int checksum_delta = 0) {
  std::vector<uint8_t> b{0xF0, 0x1F, 0x0D, 0x34};
  for (int c = 0; c < 3; ++c) {
    Put16(b, r.s[c]);
    Put16(b, r.w[c]);
  }
  b.push_back(static_cast<uint8_t>(Sum(b) + checksum_delta));
  return LineOf(b);
}

inline std::string Line1(int s, int w, int checksum_delta = 0) {
  std::vector<uint8_t> b{0xF0, 0x1F, 0x05, 0x34};
  Put16(b, s);
  Put16(b, w);
  b.push_back(static_cast<uint8_t>(Sum(b) + checksum_delta));
  return LineOf(b);
}

// Deterministic, varied raw values for frame `i`, reaching both extremes.
inline Raw3 Pattern(uint64_t i) {
  Raw3 r{};
  for (int c = 0; c < 3; ++c) {
    const int64_t k = static_cast<int64_t>(i) * (2 * c + 7919) + c * 12345;
    r.s[c] = static_cast<int16_t>(k % 65536 - 32768);
    r.w[c] = static_cast<int16_t>((k * 31) % 65536 - 32768);
  }
  return r;
}

// Names in `dir`, to see that nothing half-written was left behind.
inline std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace pulse::test
