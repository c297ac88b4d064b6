#include "comm/manual_queue.h"

namespace comm {

void ManualQueue::Wake() { arrived_.notify_all(); }

size_t ManualQueue::WaitAndDispatch(std::chrono::milliseconds timeout) {
  {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [this] { return !pending_.empty(); })) return 0;
  }
  return DispatchPending();
}

bool ManualQueue::DispatchUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  DispatchPending();
  while (!done()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    WaitAndDispatch(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                    std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace comm
