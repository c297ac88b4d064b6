#include "comm/manual_queue.h"

#include <algorithm>

namespace pulse::comm {

namespace {

constexpr std::chrono::milliseconds kRecheckInterval{10};

}  // namespace

void ManualQueue::Wake() {
  arrived_.notify_all();
}

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
    // Wakes now and then too, for conditions that change without a message.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    WaitAndDispatch(std::min(left + std::chrono::milliseconds(1), kRecheckInterval));
  }
  return true;
}

}  // namespace pulse::comm
