// The reader: turns everything that arrives on the port, line-error reports included, into
// chunks of 1 to 24 bytes posted to the main thread, in order.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <system_error>

#include "comm/line_errors.h"
#include "comm/port_thread.h"

namespace pulse::comm {

// A read asks for at most this many bytes; a chunk never holds more.
inline constexpr size_t kReadChunk = 24;
// Waiting bytes are fetched up to this many at once (a whole number of chunks).
inline constexpr size_t kDrainBuffer = kReadChunk * 64;
// Size of the block that carries a line-error report.
inline constexpr size_t kReportBlockSize = 256;

class TReadThread : public comm::PortThread {
 public:
  // The port's read interval time-out in ms, owned by the component; a change is seen at the
  // next chunk. 0: a chunk waits until it is full; UINT32_MAX: a chunk is what is there.
  const std::atomic<uint32_t>* ReadIntervalTimeout = nullptr;
  // Where the line-error counters come from: the driver, or a test's fake UART.
  std::function<comm::OsResult<comm::LineErrorCounts>(int fd)> read_counts =
      comm::ReadLineErrorCounts;

 protected:
  void Execute() override;

 private:
  // EPIPE when the main thread's queue refused the chunk (a chunk lost to a failed
  // allocation is logged and not an error: losing one chunk beats ending the link).
  [[nodiscard]] std::error_code Deliver(const uint8_t* bytes, size_t count);
  // ENOMEM (logged) when there was no block for the report.
  [[nodiscard]] std::error_code PostReport(uint32_t flags);

  bool counts_known_ = false;
  comm::LineErrorCounts counts_{};
};

}  // namespace pulse::comm
