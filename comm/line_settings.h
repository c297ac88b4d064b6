// Line settings through termios2, so that any baud rate (256000 among them) can be set.
// Kept apart because <asm/termbits.h> clashes with <termios.h>.
#pragma once

#include <cstdint>

namespace pulse::comm {

// Parity and stop-bit codes share the ordinals of TParityID and TStopBitsID.
struct LineSettings {
  uint32_t BaudRate = 0;
  int Parity = 0;    // none, odd, even, mark, space
  int StopBits = 0;  // one, one and a half, two
};

// Puts the line in raw mode (flow control by CTS/RTS kept as found), 8 data bits, the given
// parity, stop bits and baud rate, VMIN=1 VTIME=0. Returns false when the driver refused;
// *actual_baud then holds what the driver reports (it may round the rate).
bool ApplyLineSettings(int fd, const LineSettings& settings, uint32_t* actual_baud);

// The output baud rate the driver reports; false when it cannot tell.
bool ReadBaudRate(int fd, uint32_t* baud);

// Discards received or unsent bytes (TCIFLUSH, TCOFLUSH, TCIOFLUSH).
void PurgeInput(int fd);
void PurgeOutput(int fd);
void PurgeBoth(int fd);

}  // namespace pulse::comm
