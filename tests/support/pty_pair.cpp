#include "tests/support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace pulse::test {

PtyPair::PtyPair() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    CloseMaster();
    throw std::runtime_error("no pseudo-terminal");
  }
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) {
    CloseMaster();
    throw std::runtime_error("no slave name");
  }
  slave_path_ = name;
}

void PtyPair::Write(const void* data, size_t size) const {
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(master_, p, size);
    if (n <= 0) throw std::runtime_error("master write failed");
    p += n;
    size -= static_cast<size_t>(n);
  }
}

std::vector<uint8_t> PtyPair::Read(size_t count, std::chrono::milliseconds timeout) const {
  std::vector<uint8_t> got;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fd{master_, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
    uint8_t buffer[4096];
    const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
    if (n <= 0) break;
    got.insert(got.end(), buffer, buffer + n);
  }
  return got;
}

void PtyPair::CloseMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

}  // namespace pulse::test
