#include "comm/write_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace pulse::comm {

OsResult<std::unique_ptr<WriteQueue>> WriteQueue::Create() {
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return {nullptr, LastOsError()};
  return {std::unique_ptr<WriteQueue>(new WriteQueue(fd)), {}};
}

WriteQueue::~WriteQueue() {
  close(fd_);
}

std::error_code WriteQueue::Post(WriteRequest request) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return OsError(EPIPE);
    requests_.push_back(std::move(request));
  }
  // Cannot fail short of 2^64 unread arrivals; the writer reads them back after each wake-up.
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
  return {};
}

std::optional<WriteRequest> WriteQueue::TryTake() {
  std::lock_guard lock(mutex_);
  if (requests_.empty()) return std::nullopt;
  WriteRequest request = std::move(requests_.front());
  requests_.pop_front();
  return request;
}

void WriteQueue::ClearArrival() {
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t got = read(fd_, &count, sizeof count);
}

void WriteQueue::Close() {
  std::deque<WriteRequest> dropped;
  std::lock_guard lock(mutex_);
  closed_ = true;
  dropped.swap(requests_);
}

}  // namespace pulse::comm
