// The device's side of the wire: the frames it sends and the command frames it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tools/virtual-sensor/virtual_sensor.h"

namespace pulse::vsensor {

inline constexpr std::uint8_t kSync = 0xF0;
inline constexpr std::uint8_t kHostToDevice = 0x2F;
inline constexpr std::uint8_t kDeviceToHost = 0x1F;
inline constexpr std::uint8_t kDataCode = 0x34;

// Low 8 bits of the sum of the bytes.
[[nodiscard]] std::uint8_t Checksum(std::span<const std::uint8_t> bytes);

// F0 1F length code data checksum.
[[nodiscard]] std::vector<std::uint8_t> DeviceFrame(std::uint8_t code, std::span<const std::uint8_t> data);

// A data frame: per channel the static value then the wave value, each signed 16-bit, low byte
// first. One channel gives the 9-byte frame, three channels the 17-byte frame.
[[nodiscard]] std::vector<std::uint8_t> DataFrame(std::span<const std::int16_t> static_values,
                                    std::span<const std::int16_t> wave_values);

// The reply to a command (acknowledgements carry no data). The code a command answers with.
[[nodiscard]] std::uint8_t CommandCode(Command command);

struct ReceivedCommand {
  Command command;
  std::uint8_t parameter;  // the frequency of kSetFrequency, else 0
};

// Finds command frames in the bytes the host writes, resynchronising on anything else.
class CommandReader {
 public:
  struct Counters {
    std::uint64_t garbage_bytes = 0;
    std::uint64_t bad_checksum = 0;
    std::uint64_t unknown = 0;
  };

  // Appends the bytes and returns the complete commands found, in order. An incomplete frame
  // waits for the next call.
  [[nodiscard]] std::vector<ReceivedCommand> Feed(std::span<const std::uint8_t> bytes);
  [[nodiscard]] const Counters& GetCounters() const { return counters_; }

 private:
  std::vector<std::uint8_t> pending_;
  Counters counters_;
};

}  // namespace pulse::vsensor
