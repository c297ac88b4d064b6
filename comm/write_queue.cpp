#include "comm/write_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace pulse::comm {

std::unique_ptr<WriteQueue> WriteQueue::Create(int* error) {
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  return std::unique_ptr<WriteQueue>(new WriteQueue(fd));
}

WriteQueue::~WriteQueue() {
  close(fd_);
}

bool WriteQueue::Post(WriteRequest request) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    requests_.push_back(std::move(request));
  }
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
  return true;
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
