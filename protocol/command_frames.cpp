#include "protocol/command_frames.h"

#include <array>
#include <cstring>

namespace pulse::protocol {

CommandFrame BuildCommand(uint8_t code) {
  CommandFrame f;
  f.bytes = {kSync, kHostToDevice, 0x01, code, 0, 0};
  f.bytes[4] = Checksum(f.bytes.data(), 4);
  f.size = 5;
  return f;
}

CommandFrame BuildSetFrequency(uint8_t frequency) {
  CommandFrame f;
  f.bytes = {kSync, kHostToDevice, 0x02, kCodeZeroValues, frequency, 0};
  f.bytes[5] = Checksum(f.bytes.data(), 5);
  f.size = 6;
  return f;
}

namespace {

// "XX  " for every byte value: every data frame of a recording is written
// out, so a byte costs one 4-byte copy (the fourth char is overwritten by the
// next byte) instead of two digit lookups and a branch.
constexpr std::array<std::array<char, 4>, 256> MakeHexSpace() {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::array<std::array<char, 4>, 256> t{};
  for (size_t b = 0; b < t.size(); ++b) t[b] = {kHex[b >> 4], kHex[b & 0x0F], ' ', ' '};
  return t;
}
constexpr auto kHexSpace = MakeHexSpace();

}  // namespace

void AssignFrameText(std::string& out, const uint8_t* data, size_t size) {
  if (size == 0) {
    out.clear();
    return;
  }
  // Room for the last 4-byte copy, cut back to "XX XX ... XX" after.
  out.resize(size * 3 + 1);
  char* p = out.data();
  for (size_t i = 0; i < size; ++i, p += 3) std::memcpy(p, kHexSpace[data[i]].data(), 4);
  out.resize(size * 3 - 1);
}

std::string FrameText(const uint8_t* data, size_t size) {
  std::string s;
  AssignFrameText(s, data, size);
  return s;
}

}  // namespace pulse::protocol
