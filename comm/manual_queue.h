// The main-thread queue for tests and benchmarks: the thread that plays the main thread
// drains it explicitly.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>

#include "comm/main_thread_queue.h"

namespace pulse::comm {

class ManualQueue : public PostedQueue {
 public:
  // Waits up to `timeout` for at least one message, then dispatches all queued ones.
  // Returns the number dispatched (0 on time-out).
  size_t WaitAndDispatch(std::chrono::milliseconds timeout);
  // Dispatches messages as they come until `done()` holds (checked after each batch and at
  // least every 10 ms); false if `timeout` passed first.
  bool DispatchUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

 protected:
  void Wake() override;

 private:
  std::condition_variable arrived_;
};

}  // namespace pulse::comm
