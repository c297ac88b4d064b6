// Line errors (framing, overrun, parity, input overflow) as the reader reports them: counter
// differences from the driver become error flags, and the flags become a report text that
// travels in the received-data stream.
#pragma once

#include <cstdint>
#include <string>

#include "comm/os_error.h"

namespace pulse::comm {

// Error flag bits, in the numbering the reports have always printed.
inline constexpr uint32_t kCeRxOver = 0x0001;    // input buffer overflow
inline constexpr uint32_t kCeOverrun = 0x0002;   // character lost in the UART
inline constexpr uint32_t kCeRxParity = 0x0004;  // parity error
inline constexpr uint32_t kCeFrame = 0x0008;     // framing error

// The driver's cumulative error counters.
struct LineErrorCounts {
  uint32_t frame = 0;
  uint32_t overrun = 0;
  uint32_t Parity = 0;
  uint32_t buffer_overrun = 0;
};

// Flags for every counter that moved between two readings.
[[nodiscard]] uint32_t CommErrorFlags(const LineErrorCounts& before, const LineErrorCounts& now);

// "Comm Event: CE_FRAME and CE_OVERRUN, EvtMask = 10" for flags 10.
[[nodiscard]] std::string CommEventReport(uint32_t flags);

// Reads the counters; an error when the driver cannot tell (a pseudo-terminal answers ENOTTY).
[[nodiscard]] OsResult<LineErrorCounts> ReadLineErrorCounts(int fd);

}  // namespace pulse::comm
