// The stop signal shared by the reader and the writer: once signalled it stays signalled, and
// its descriptor stays readable, so both threads can wait on it together with the port.
#pragma once

#include <memory>

namespace pulse::comm {

class StopSignal {
 public:
  // nullptr with *error set when no descriptor can be had.
  static std::unique_ptr<StopSignal> Create(int* error);
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  void Signal();
  bool IsSignalled() const;  // does not wait
  int Fd() const { return fd_; }

 private:
  explicit StopSignal(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace pulse::comm
