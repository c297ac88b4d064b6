// Decoding of one recorded frame line ("F0 1F 05 34 10 00 20 00 78") back
// into the raw channel values it carries, for the replay.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pulse::window {

// The replay decodes at most this many bytes of a line; the longest frame
// the device sends has 17.
inline constexpr int kMaxLineBytes = 30;

struct ReplayFrame {
  enum class Kind { kOneChannel, kThreeChannel };
  Kind kind = Kind::kOneChannel;
  // Raw signed device values per channel; only channel 0 is set for a
  // one-channel frame.
  std::array<std::int32_t, 3> static_raw{};
  std::array<std::int32_t, 3> wave_raw{};
};

// The line's tokens are bytes, two hexadecimal digits each (either case),
// separated by spaces; empty tokens from repeated spaces are skipped. Only the
// first kMaxLineBytes bytes count; later tokens are ignored. Returns nothing
// for a line that is empty, has a token that is not two hex digits, has no F0
// byte, fails its checksum (the low 8 bits of the sum from the first F0 up to
// the byte before the last must equal the last byte) or is no data frame.
[[nodiscard]] std::optional<ReplayFrame> DecodeReplayLine(std::string_view line);

}  // namespace pulse::window
