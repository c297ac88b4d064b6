// Line settings through termios2, so that any baud rate (256000 among them) can be set.
// Kept apart because <asm/termbits.h> clashes with <termios.h>.
#pragma once

#include <cstdint>
#include <system_error>

#include "comm/os_error.h"

namespace pulse::comm {

// Parity and stop-bit codes share the ordinals of TParityID and TStopBitsID.
struct LineSettings {
  uint32_t BaudRate = 0;
  int Parity = 0;    // none, odd, even, mark, space
  int StopBits = 0;  // one, one and a half, two
};

// Puts the line in raw mode (flow control by CTS/RTS kept as found), 8 data bits, the given
// parity, stop bits and baud rate, VMIN=1 VTIME=0. The error when the driver refused to tell
// or to take the settings (ENOTTY for a device that is no terminal).
[[nodiscard]] std::error_code ApplyLineSettings(int fd, const LineSettings& settings);

// The output baud rate the driver reports (it may have rounded the rate it was given).
[[nodiscard]] OsResult<uint32_t> ReadBaudRate(int fd);

// Discards received or unsent bytes (TCIFLUSH, TCOFLUSH, TCIOFLUSH).
[[nodiscard]] std::error_code PurgeInput(int fd);
[[nodiscard]] std::error_code PurgeOutput(int fd);
[[nodiscard]] std::error_code PurgeBoth(int fd);

}  // namespace pulse::comm
