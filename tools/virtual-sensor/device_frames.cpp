#include "tools/virtual-sensor/device_frames.h"

namespace pulse::vsensor {

namespace {

// The host sends commands with no parameter or one (the frequency); a longer length byte
// is garbage, and waiting for such a frame would only delay resynchronisation.
constexpr std::uint8_t kMaxCommandLength = 2;
constexpr std::size_t kFrameOverhead = 4;  // sync, direction, length, checksum

void PutInt16(std::vector<std::uint8_t>& out, std::int16_t value) {
  const auto u = static_cast<std::uint16_t>(value);
  out.push_back(static_cast<std::uint8_t>(u & 0xFF));
  out.push_back(static_cast<std::uint8_t>(u >> 8));
}

}  // namespace

std::uint8_t Checksum(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint8_t>(sum & 0xFF);
}

std::vector<std::uint8_t> DeviceFrame(std::uint8_t code, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> frame;
  frame.reserve(data.size() + 5);
  frame.push_back(kSync);
  frame.push_back(kDeviceToHost);
  frame.push_back(static_cast<std::uint8_t>(1 + data.size()));
  frame.push_back(code);
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(Checksum(frame));
  return frame;
}

std::vector<std::uint8_t> DataFrame(std::span<const std::int16_t> static_values,
                                    std::span<const std::int16_t> wave_values) {
  std::vector<std::uint8_t> data;
  data.reserve(static_values.size() * 4);
  for (std::size_t i = 0; i < static_values.size() && i < wave_values.size(); ++i) {
    PutInt16(data, static_values[i]);
    PutInt16(data, wave_values[i]);
  }
  return DeviceFrame(kDataCode, data);
}

std::uint8_t CommandCode(Command command) {
  switch (command) {
    case kStart:
      return 0x31;
    case kStop:
      return 0x32;
    case kReadZero:
    case kSetFrequency:
      return 0x33;
    case kZero:
      return 0x35;
    case kSerialNumber:
      return 0x36;
    case kProductionDate:
      return 0x37;
    case kCommandCount:
      break;
  }
  return 0;
}

std::vector<ReceivedCommand> CommandReader::Feed(std::span<const std::uint8_t> bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  std::vector<ReceivedCommand> found;
  std::size_t pos = 0;
  while (pos < pending_.size()) {
    const std::size_t avail = pending_.size() - pos;
    const std::uint8_t* p = pending_.data() + pos;
    if (p[0] != kSync) {
      ++counters_.garbage_bytes;
      ++pos;
      continue;
    }
    if (avail < 2) break;
    if (p[1] != kHostToDevice) {
      ++counters_.garbage_bytes;
      ++pos;
      continue;
    }
    if (avail < 3) break;
    const std::uint8_t length = p[2];
    if (length < 1 || length > kMaxCommandLength) {
      ++counters_.garbage_bytes;
      ++pos;
      continue;
    }
    const std::size_t total = length + kFrameOverhead;
    if (avail < total) break;
    if (Checksum({p, total - 1}) != p[total - 1]) {
      // Skip only the sync byte: a real command may start inside what looked like a frame.
      ++counters_.bad_checksum;
      ++pos;
      continue;
    }
    const std::uint8_t code = p[3];
    bool known = true;
    ReceivedCommand command{kStart, 0};
    if (length == 1 && code == 0x31) {
      command.command = kStart;
    } else if (length == 1 && code == 0x32) {
      command.command = kStop;
    } else if (length == 1 && code == 0x33) {
      command.command = kReadZero;
    } else if (length == 2 && code == 0x33) {
      command = {kSetFrequency, p[4]};
    } else if (length == 1 && code == 0x35) {
      command.command = kZero;
    } else if (length == 1 && code == 0x36) {
      command.command = kSerialNumber;
    } else if (length == 1 && code == 0x37) {
      command.command = kProductionDate;
    } else {
      known = false;
      ++counters_.unknown;
    }
    if (known) found.push_back(command);
    pos += total;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
  return found;
}

}  // namespace pulse::vsensor
