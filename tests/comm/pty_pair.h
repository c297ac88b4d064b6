// A raw pseudo-terminal for the serial tests: the test plays the device on the master side,
// the component under test opens the slave like any serial device.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pulse::test {

class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
      throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("no slave name");
    slave_path_ = name;
  }
  ~PtyPair() { CloseMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& SlavePath() const { return slave_path_; }
  int Master() const { return master_; }

  void Write(const std::vector<uint8_t>& bytes) const { Write(bytes.data(), bytes.size()); }
  void Write(const void* data, size_t size) const {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
      const ssize_t n = ::write(master_, p, size);
      if (n <= 0) throw std::runtime_error("master write failed");
      p += n;
      size -= static_cast<size_t>(n);
    }
  }

  // Reads what the slave side sent until `count` bytes are in or `timeout` passed.
  std::vector<uint8_t> Read(size_t count, std::chrono::milliseconds timeout) const {
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

  // The device is unplugged.
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string slave_path_;
};

}  // namespace pulse::test
