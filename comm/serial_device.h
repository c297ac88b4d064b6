// Opening and closing a serial device on Linux.
#pragma once

#include <string>

namespace pulse::comm {

// Opens an existing character device for exclusive non-blocking use (flock and TIOCEXCL).
// Returns the descriptor, or -1 with *error set (ENOTTY when it is no character device,
// EBUSY when another open holds it).
int OpenSerialDevice(const std::string& path, int* error);

// Why an open failed, for the operator, with what to do about it. `error` is the errno of
// the failed open, or 0 when no device was found for the port name.
std::string DescribeOpenError(int error);

// Asks the driver to deliver received bytes at once; drivers without it are left as they are.
void TryLowLatency(int fd);

// Discards queued output first: a close() with unsent bytes can wait for them for 30 s.
void CloseSerialDevice(int fd);

}  // namespace pulse::comm
