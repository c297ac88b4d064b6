#include "comm/main_thread_queue.h"

#include <utility>

namespace pulse::comm {

bool PostedQueue::Post(Notification message) {
  bool was_empty;
  {
    std::lock_guard lock(mutex_);
    was_empty = pending_.empty();
    pending_.push_back(std::move(message));
  }
  if (was_empty) Wake();
  return true;
}

size_t PostedQueue::DispatchPending() {
  std::deque<Notification> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(pending_);
  }
  for (Notification& message : batch) DispatchNotification(message);
  return batch.size();
}

size_t PostedQueue::PendingCount() {
  std::lock_guard lock(mutex_);
  return pending_.size();
}

}  // namespace pulse::comm
