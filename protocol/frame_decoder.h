// One complete device frame (as located by a parser, or read back from a
// frame line) turned into a typed reply. Everything that consumes frames
// goes through here instead of picking bytes at offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "protocol/frame_kinds.h"
#include "protocol/units.h"

namespace pulse::protocol {

inline constexpr int kChannels = 3;

struct DataFrame1 {
  int16_t static_raw = 0;
  int16_t wave_raw = 0;
};
struct DataFrame3 {
  std::array<int16_t, kChannels> static_raw{};
  std::array<int16_t, kChannels> wave_raw{};
};
struct StartAck {};
struct StopAck {};
struct ZeroAck {};
struct ZeroValue1 {
  int16_t raw = 0;  // 0.1 hPa
};
struct ZeroValues3 {
  std::array<int16_t, kChannels> raw{};  // 0.1 hPa each
};
struct FrequencyAck {
  uint8_t rate = 0;  // samples per second
};
struct SerialNumber {
  std::array<uint8_t, kIdBytes> bytes{};
};
struct ProductionDate {
  std::array<uint8_t, kIdBytes> bytes{};  // year, month, day, century as sent
};

using Reply = std::variant<DataFrame1, DataFrame3, StartAck, StopAck, ZeroAck, ZeroValue1,
                           ZeroValues3, FrequencyAck, SerialNumber, ProductionDate>;

struct DecodedFrame {
  protocol::FrameKind kind{};
  Reply reply;
  // Whether the last byte is the low 8 bits of the sum of the others. Only
  // data frames are refused on a mismatch; the device's other replies are
  // taken as they come.
  bool checksum_ok = false;
};

// Decodes exactly one frame: `bytes` must hold the whole frame of a known
// (length, code) kind and nothing more. Anything else gives nothing.
[[nodiscard]] std::optional<DecodedFrame> DecodeFrame(std::span<const uint8_t> bytes);

// The values of a frame whose kind the caller has already found and whose
// whole length it holds (no second lookup or checksum).
[[nodiscard]] Reply DecodeReply(protocol::FrameKind kind, std::span<const uint8_t> bytes);
// The same for a data frame of a known width, without a variant around it
// (the parser's hot path, hence inline).
[[nodiscard]] inline DataFrame1 DecodeDataFrame1(std::span<const uint8_t> bytes) {
  return {static_cast<int16_t>(DecodeInt16(bytes[kPayload], bytes[kPayload + 1])),
          static_cast<int16_t>(
              DecodeInt16(bytes[kPayload + kValueSize], bytes[kPayload + kValueSize + 1]))};
}
[[nodiscard]] inline DataFrame3 DecodeDataFrame3(std::span<const uint8_t> bytes) {
  DataFrame3 d;
  for (size_t c = 0; c < kChannels; ++c) {
    const size_t at = kPayload + kChannelStride * c;
    d.static_raw[c] = static_cast<int16_t>(DecodeInt16(bytes[at], bytes[at + 1]));
    d.wave_raw[c] =
        static_cast<int16_t>(DecodeInt16(bytes[at + kValueSize], bytes[at + kValueSize + 1]));
  }
  return d;
}

// The bytes of one frame line, as many as the longest frame holds.
struct FrameBytes {
  std::array<uint8_t, protocol::kLongestFrame> bytes{};
  size_t size = 0;
  [[nodiscard]] std::span<const uint8_t> View() const { return {bytes.data(), size}; }
};

// Reads a frame line ("F0 1F 05 34 0A 00 F4 01 47"): bytes as two hex digits
// (either case) separated by spaces. Nothing for an empty line, a token that
// is not two hex digits or more bytes than the longest frame.
[[nodiscard]] std::optional<FrameBytes> ParseFrameLine(std::string_view line);

// Channel `channel` (0-based) of a data frame in the unit with `unit_factor`
// (hectopascal to the unit). A one-channel frame has only channel 0. Inline:
// every drawn sample goes through them.
[[nodiscard]] inline double StaticValue(const DataFrame3& frame, int channel, double unit_factor) {
  return StaticValueOfRaw(frame.static_raw.at(static_cast<size_t>(channel)), unit_factor);
}
[[nodiscard]] inline double WaveValue(const DataFrame3& frame, int channel, double unit_factor) {
  return WaveValueOfRaw(frame.wave_raw.at(static_cast<size_t>(channel)), unit_factor);
}
[[nodiscard]] inline double StaticValue(const DataFrame1& frame, double unit_factor) {
  return StaticValueOfRaw(frame.static_raw, unit_factor);
}
[[nodiscard]] inline double WaveValue(const DataFrame1& frame, double unit_factor) {
  return WaveValueOfRaw(frame.wave_raw, unit_factor);
}
// Always hectopascal.
[[nodiscard]] inline double ZeroValueHpa(int16_t raw) {
  return ZeroValueOfRaw(raw);
}

}  // namespace pulse::protocol
