// The reply and data frames the device sends: F0 1F, length, code, data,
// checksum. A kind is known by its (length, code) pair.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/command_frames.h"

namespace pulse::protocol {

enum class FrameKind : uint8_t {
  kData1,  // one channel: static, wave
  kData3,  // three channels: static, wave each
  kStartAck,
  kStopAck,
  kZeroAck,
  kZeroValue1,
  kZeroValues3,
  kFrequencyAck,
  kSerialNumber,
  kProductionDate,
};

struct FrameKindInfo {
  FrameKind kind;
  uint8_t length;  // command code plus data bytes
  uint8_t code;
  [[nodiscard]] size_t Size() const { return length + 4u; }
  // The checksum byte stays behind and is skipped by the next step; only
  // data frames have their checksum tested.
  [[nodiscard]] size_t Advance() const { return Size() - 1; }
};

// In the order they are tested.
constexpr std::array<FrameKindInfo, 10> kFrameKinds{{
    {FrameKind::kData1, 0x05, kCodeData},
    {FrameKind::kData3, 0x0D, kCodeData},
    {FrameKind::kStartAck, 0x01, kCodeStart},
    {FrameKind::kStopAck, 0x01, kCodeStop},
    {FrameKind::kZeroAck, 0x01, kCodeZero},
    {FrameKind::kZeroValue1, 0x03, kCodeZeroValues},
    {FrameKind::kZeroValues3, 0x07, kCodeZeroValues},
    {FrameKind::kFrequencyAck, 0x02, kCodeZeroValues},
    {FrameKind::kSerialNumber, 0x05, kCodeSerialNumber},
    {FrameKind::kProductionDate, 0x05, kCodeProductionDate},
}};

constexpr size_t kLongestFrame = 17;

// Where the bytes of a frame sit. F0 1F, length and code come first.
constexpr size_t kHeaderSize = 4;
constexpr size_t kPayload = kHeaderSize;  // first data or value byte
constexpr size_t kValueSize = 2;          // a 16-bit value, low byte first
// A three-channel data frame holds static then wave for each channel.
constexpr size_t kChannelStride = 2 * kValueSize;
constexpr size_t kIdBytes = 4;  // serial number and production date

// The kind whose header (F0 1F length code) starts at `p`, or nullptr.
// `p` must have 4 readable bytes.
[[nodiscard]] inline const FrameKindInfo* FindFrameKind(const uint8_t* p) {
  if (p[0] != kSync || p[1] != kDeviceToHost) return nullptr;
  for (const auto& k : kFrameKinds) {
    if (p[2] == k.length && p[3] == k.code) return &k;
  }
  return nullptr;
}

}  // namespace pulse::protocol
