// The writer thread's own message queue: write requests in the order of the WriteData calls.
// Its descriptor becomes readable when a request arrives, so the writer can wait for a request
// and the stop signal together.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>

#include "comm/os_error.h"

namespace pulse::comm {

struct WriteRequest {
  uint32_t size = 0;
  std::unique_ptr<uint8_t[]> block;  // Size + 1 bytes, the last one zero
};

class WriteQueue {
 public:
  // The errno of eventfd() when no descriptor can be had.
  [[nodiscard]] static OsResult<std::unique_ptr<WriteQueue>> Create();
  ~WriteQueue();
  WriteQueue(const WriteQueue&) = delete;
  WriteQueue& operator=(const WriteQueue&) = delete;

  // Any thread. EPIPE once the queue was closed (its writer has ended): the request is dropped.
  [[nodiscard]] std::error_code Post(WriteRequest request);
  // Writer thread.
  [[nodiscard]] std::optional<WriteRequest> TryTake();
  // Resets the arrival signal. A failed read (EAGAIN: nothing had arrived) leaves it reset.
  void ClearArrival();
  void Close();  // later posts fail; queued requests are dropped
  [[nodiscard]] int Fd() const { return fd_; }

 private:
  explicit WriteQueue(int fd) : fd_(fd) {}
  int fd_;
  std::mutex mutex_;
  std::deque<WriteRequest> requests_;
  bool closed_ = false;
};

}  // namespace pulse::comm
