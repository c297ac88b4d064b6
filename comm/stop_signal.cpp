#include "comm/stop_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace pulse::comm {

OsResult<std::unique_ptr<StopSignal>> StopSignal::Create() {
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return {nullptr, LastOsError()};
  return {std::unique_ptr<StopSignal>(new StopSignal(fd)), {}};
}

StopSignal::~StopSignal() {
  close(fd_);
}

void StopSignal::Signal() {
  // Never read back, so the counter only grows and the descriptor stays readable.
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

bool StopSignal::IsSignalled() const {
  pollfd probe{fd_, POLLIN, 0};
  return poll(&probe, 1, 0) > 0 && (probe.revents & POLLIN) != 0;
}

}  // namespace pulse::comm
