// The stop signal shared by the reader and the writer: once signalled it stays signalled, and
// its descriptor stays readable, so both threads can wait on it together with the port.
#pragma once

#include <memory>

#include "comm/os_error.h"

namespace pulse::comm {

class StopSignal {
 public:
  // The errno of eventfd() when no descriptor can be had.
  [[nodiscard]] static OsResult<std::unique_ptr<StopSignal>> Create();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  // Cannot fail: the descriptor is ours and its counter is far from its limit.
  void Signal();
  [[nodiscard]] bool IsSignalled() const;  // does not wait
  [[nodiscard]] int Fd() const { return fd_; }

 private:
  explicit StopSignal(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace pulse::comm
