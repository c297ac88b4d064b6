#include "window/replay_line.h"

#include <cstddef>
#include <span>

#include "protocol/frame_decoder.h"

namespace pulse::window {
namespace {

constexpr std::uint8_t kSync = 0xF0;
constexpr std::uint8_t kDeviceToHost = 0x1F;
constexpr std::uint8_t kDataCode = 0x34;
constexpr std::uint8_t kOneChannelLength = 0x05;
constexpr std::uint8_t kThreeChannelLength = 0x0D;
constexpr int kOneChannelFrameBytes = 9;
constexpr int kThreeChannelFrameBytes = 17;

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
  if (f[2] == kOneChannelLength && frame_bytes >= kOneChannelFrameBytes) {
    frame.kind = ReplayFrame::Kind::kOneChannel;
  } else if (f[2] == kThreeChannelLength && frame_bytes >= kThreeChannelFrameBytes) {
    frame.kind = ReplayFrame::Kind::kThreeChannel;
  } else {
    return std::nullopt;
  }
  const std::span<const std::uint8_t> span(f, static_cast<std::size_t>(frame_bytes));
  if (frame.kind == ReplayFrame::Kind::kOneChannel) {
    const protocol::DataFrame1 d = protocol::DecodeDataFrame1(span);
    frame.static_raw[0] = d.static_raw;
    frame.wave_raw[0] = d.wave_raw;
  } else {
    const protocol::DataFrame3 d = protocol::DecodeDataFrame3(span);
    for (std::size_t c = 0; c < d.static_raw.size(); ++c) {
      frame.static_raw[c] = d.static_raw[c];
      frame.wave_raw[c] = d.wave_raw[c];
    }
  }
  return frame;
}

}  // namespace pulse::window
