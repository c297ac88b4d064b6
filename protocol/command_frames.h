// Host-to-device command frames: F0 2F, length, code, parameters, checksum.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pulse::protocol {

constexpr uint8_t kSync = 0xF0;
constexpr uint8_t kHostToDevice = 0x2F;
constexpr uint8_t kDeviceToHost = 0x1F;

constexpr uint8_t kCodeStart = 0x31;
constexpr uint8_t kCodeStop = 0x32;
constexpr uint8_t kCodeZeroValues = 0x33;  // also set-frequency, told apart by the length
constexpr uint8_t kCodeData = 0x34;
constexpr uint8_t kCodeZero = 0x35;
constexpr uint8_t kCodeSerialNumber = 0x36;
constexpr uint8_t kCodeProductionDate = 0x37;

// Low 8 bits of the sum of `size` bytes.
[[nodiscard]] constexpr uint8_t Checksum(const uint8_t* data, size_t size) {
  uint32_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum += data[i];
  return static_cast<uint8_t>(sum);
}

struct CommandFrame {
  static constexpr size_t kMaxSize = 6;
  std::array<uint8_t, kMaxSize> bytes{};
  size_t size = 0;
  [[nodiscard]] const uint8_t* data() const { return bytes.data(); }
};

// The 5-byte frame of a command without parameters.
[[nodiscard]] CommandFrame BuildCommand(uint8_t code);
// The 6-byte set-frequency frame.
[[nodiscard]] CommandFrame BuildSetFrequency(uint8_t frequency);

// Bytes as upper-case hex pairs joined by single blanks ("F0 2F 01 31 51").
[[nodiscard]] std::string FrameText(const uint8_t* data, size_t size);
[[nodiscard]] inline std::string FrameText(const CommandFrame& frame) {
  return FrameText(frame.data(), frame.size);
}
// Same, replacing the contents of `out` (keeps its capacity for reuse).
void AssignFrameText(std::string& out, const uint8_t* data, size_t size);

}  // namespace pulse::protocol
