#include "protocol/frame_decoder.h"

#include "protocol/command_frames.h"
#include "protocol/units.h"

namespace pulse::protocol {

namespace {

using protocol::FrameKind;

int16_t Int16At(std::span<const uint8_t> f, size_t offset) {
  return static_cast<int16_t>(DecodeInt16(f[offset], f[offset + 1]));
}

std::array<uint8_t, kIdBytes> IdBytesAt(std::span<const uint8_t> f, size_t offset) {
  return {f[offset], f[offset + 1], f[offset + 2], f[offset + 3]};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

Reply DecodeReply(FrameKind kind, std::span<const uint8_t> f) {
  switch (kind) {
    case FrameKind::kData1:
      return DecodeDataFrame1(f);
    case FrameKind::kData3:
      return DecodeDataFrame3(f);
    case FrameKind::kStartAck:
      return StartAck{};
    case FrameKind::kStopAck:
      return StopAck{};
    case FrameKind::kZeroAck:
      return ZeroAck{};
    case FrameKind::kZeroValue1:
      return ZeroValue1{Int16At(f, kPayload)};
    case FrameKind::kZeroValues3: {
      ZeroValues3 z;
      for (size_t c = 0; c < kChannels; ++c) z.raw[c] = Int16At(f, kPayload + kValueSize * c);
      return z;
    }
    case FrameKind::kFrequencyAck:
      return FrequencyAck{f[kPayload]};
    case FrameKind::kSerialNumber:
      return SerialNumber{IdBytesAt(f, kPayload)};
    case FrameKind::kProductionDate:
      return ProductionDate{IdBytesAt(f, kPayload)};
  }
  return StartAck{};  // not reached: every kind is handled above
}

std::optional<DecodedFrame> DecodeFrame(std::span<const uint8_t> bytes) {
  if (bytes.size() < kPayload) return std::nullopt;
  const protocol::FrameKindInfo* info = protocol::FindFrameKind(bytes.data());
  if (info == nullptr || bytes.size() != info->Size()) return std::nullopt;
  DecodedFrame out;
  out.kind = info->kind;
  out.reply = DecodeReply(info->kind, bytes);
  out.checksum_ok = protocol::Checksum(bytes.data(), bytes.size() - 1) == bytes.back();
  return out;
}

std::optional<FrameBytes> ParseFrameLine(std::string_view line) {
  FrameBytes out;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= line.size() || (i + 2 < line.size() && line[i + 2] != ' ')) return std::nullopt;
    const int hi = HexDigit(line[i]);
    const int lo = HexDigit(line[i + 1]);
    if (hi < 0 || lo < 0 || out.size == out.bytes.size()) return std::nullopt;
    out.bytes[out.size++] = static_cast<uint8_t>(hi * 16 + lo);
    i += 2;
  }
  if (out.size == 0) return std::nullopt;
  return out;
}

}  // namespace pulse::protocol
