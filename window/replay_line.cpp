#include "window/replay_line.h"

#include <cstddef>

#include "protocol/units.h"

namespace pulse::window {
namespace {

constexpr std::uint8_t kSync = 0xF0;
constexpr std::uint8_t kDeviceToHost = 0x1F;
constexpr std::uint8_t kDataCode = 0x34;
constexpr std::uint8_t kOneChannelLength = 0x05;
constexpr std::uint8_t kThreeChannelLength = 0x0D;
constexpr int kOneChannelFrameBytes = 9;
constexpr int kThreeChannelFrameBytes = 17;
// Channel k's static value starts 4 bytes after the previous channel's.
constexpr int kFirstValueOffset = 4;
constexpr int kChannelStride = 4;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<ReplayFrame> DecodeReplayLine(std::string_view line) {
  std::array<std::uint8_t, kMaxLineBytes> bytes{};
  int n = 0;
  std::size_t pos = 0;
  while (pos <= line.size() && n < kMaxLineBytes) {
    std::size_t end = line.find(' ', pos);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view token = TrimBlanks(line.substr(pos, end - pos));
    pos = end + 1;
    if (token.empty()) continue;
    const int hi = token.size() == 2 ? HexDigit(token[0]) : -1;
    const int lo = token.size() == 2 ? HexDigit(token[1]) : -1;
    if (hi < 0 || lo < 0) return std::nullopt;  // not a byte: the line is damaged
    bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  if (n == 0) return std::nullopt;

  int p = 0;
  while (p < n && bytes[p] != kSync) ++p;
  if (p == n) return std::nullopt;

  // The frame runs from the first F0 to the end of the line; its last byte is
  // the checksum of the bytes before it.
  unsigned sum = 0;
  for (int i = p; i < n - 1; ++i) sum += bytes[i];
  if ((sum & 0xFFu) != bytes[n - 1]) return std::nullopt;

  const int frame_bytes = n - p;
  if (frame_bytes < kOneChannelFrameBytes) return std::nullopt;
  const std::uint8_t* f = bytes.data() + p;
  if (f[1] != kDeviceToHost || f[3] != kDataCode) return std::nullopt;
  ReplayFrame frame;
  int channels = 0;
  if (f[2] == kOneChannelLength && frame_bytes >= kOneChannelFrameBytes) {
    frame.kind = ReplayFrame::Kind::kOneChannel;
    channels = 1;
  } else if (f[2] == kThreeChannelLength && frame_bytes >= kThreeChannelFrameBytes) {
    frame.kind = ReplayFrame::Kind::kThreeChannel;
    channels = 3;
  } else {
    return std::nullopt;
  }
  for (int c = 0; c < channels; ++c) {
    const int o = kFirstValueOffset + kChannelStride * c;
    frame.static_raw[c] = protocol::DecodeInt16(f[o], f[o + 1]);
    frame.wave_raw[c] = protocol::DecodeInt16(f[o + 2], f[o + 3]);
  }
  return frame;
}

}  // namespace pulse::window
