// Opening and closing a serial device on Linux.
#pragma once

#include <string>
#include <system_error>

#include "comm/os_error.h"

namespace pulse::comm {

// Opens an existing character device for exclusive non-blocking use (flock and TIOCEXCL).
// The descriptor, or the errno of the failure (ENOTTY when it is no character device, EBUSY
// when another open holds it).
[[nodiscard]] OsResult<int> OpenSerialDevice(const std::string& path);

// Why an open failed, for the operator, with what to do about it. `error` is the errno of
// the failed open, or 0 when no device was found for the port name.
[[nodiscard]] std::string DescribeOpenError(int error);

// Asks the driver to deliver received bytes at once; an error for drivers without it.
[[nodiscard]] std::error_code TryLowLatency(int fd);

// Discards queued output first: a close() with unsent bytes can wait for them for 30 s.
// The error is close()'s; the descriptor is gone either way.
[[nodiscard]] std::error_code CloseSerialDevice(int fd);

}  // namespace pulse::comm
