#include "protocol/command_frames.h"

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

void AssignFrameText(std::string& out, const uint8_t* data, size_t size) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.resize(size == 0 ? 0 : size * 3 - 1);
  char* p = out.data();
  for (size_t i = 0; i < size; ++i) {
    if (i != 0) *p++ = ' ';
    *p++ = kHex[data[i] >> 4];
    *p++ = kHex[data[i] & 0x0F];
  }
}

std::string FrameText(const uint8_t* data, size_t size) {
  std::string s;
  AssignFrameText(s, data, size);
  return s;
}

}  // namespace pulse::protocol
