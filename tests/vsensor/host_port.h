// The host's end of the virtual sensor in tests: the slave side of the pseudo-terminal, raw,
// plus a scanner that splits what arrives into device frames.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pulse::test {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// A command frame as the host builds it: F0 2F length code parameters checksum.
inline Bytes Command(std::uint8_t code, Bytes params = {}) {
  Bytes f;
  f.reserve(params.size() + 5);
  for (std::uint8_t b :
       {std::uint8_t{0xF0}, std::uint8_t{0x2F}, static_cast<std::uint8_t>(1 + params.size()), code})
    f.push_back(b);
  for (std::uint8_t b : params)
    f.push_back(b);  // (insert() trips a g++ 12 array-bounds false alarm)
  unsigned sum = 0;
  for (auto b : f) sum += b;
  f.push_back(static_cast<std::uint8_t>(sum));
  return f;
}

class HostPort {
 public:
  explicit HostPort(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~HostPort() {
    if (fd_ >= 0) close(fd_);
  }
  HostPort(const HostPort&) = delete;
  HostPort& operator=(const HostPort&) = delete;

  void Write(const Bytes& b) {
    if (write(fd_, b.data(), b.size()) != static_cast<ssize_t>(b.size()))
      throw std::runtime_error("short write");
  }

  struct Chunk {
    Clock::time_point at;
    Bytes bytes;
  };

  // Reads until `done` says so, the deadline passes or the line hangs up. Every chunk read is
  // kept with its arrival time.
  void ReadUntil(
      Clock::duration timeout, const std::function<bool()>& done = [] { return false; }) {
    const auto deadline = Clock::now() + timeout;
    while (!hung_up_ && !done()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
      std::uint8_t buf[4096];
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n > 0) {
        chunks_.push_back({Clock::now(), Bytes(buf, buf + n)});
        all_.insert(all_.end(), buf, buf + n);
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        hung_up_ = true;
        hangup_at_ = Clock::now();
      }
    }
  }
  void ReadFor(Clock::duration d) { ReadUntil(d); }

  const Bytes& All() const { return all_; }
  const std::vector<Chunk>& Chunks() const { return chunks_; }
  void Clear() {
    all_.clear();
    chunks_.clear();
  }
  bool HungUp() const { return hung_up_; }
  Clock::time_point HangupAt() const { return hangup_at_; }

 private:
  int fd_ = -1;
  Bytes all_;
  std::vector<Chunk> chunks_;
  bool hung_up_ = false;
  Clock::time_point hangup_at_{};
};

struct Frame {
  std::size_t offset;  // in the scanned stream
  Bytes bytes;
  bool checksum_ok;
  std::uint8_t Length() const { return bytes[2]; }
  std::uint8_t Code() const { return bytes[3]; }
  std::int16_t Int16(std::size_t at) const {
    return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
  }
};

struct Scan {
  std::vector<Frame> frames;
  std::size_t skipped = 0;   // bytes outside frames
  std::size_t trailing = 0;  // an incomplete frame at the end
};

// Finds device frames of the known (length, code) kinds; everything else is skipped.
inline Scan ScanFrames(const Bytes& s) {
  static const std::pair<int, int> kKinds[] = {{5, 0x34}, {13, 0x34}, {1, 0x31}, {1, 0x32},
                                               {1, 0x35}, {3, 0x33},  {7, 0x33}, {2, 0x33},
                                               {5, 0x36}, {5, 0x37}};
  Scan out;
  std::size_t i = 0;
  while (i < s.size()) {
    bool matched = false;
    if (s[i] == 0xF0 && i + 4 <= s.size() && s[i + 1] == 0x1F) {
      for (auto [len, code] : kKinds) {
        if (s[i + 2] != len || s[i + 3] != code) continue;
        const std::size_t total = static_cast<std::size_t>(len) + 4;
        if (i + total > s.size()) {
          out.trailing = s.size() - i;
          return out;
        }
        unsigned sum = 0;
        for (std::size_t k = i; k < i + total - 1; ++k) sum += s[k];
        Frame f{i, Bytes(s.begin() + i, s.begin() + i + total),
                static_cast<std::uint8_t>(sum) == s[i + total - 1]};
        out.frames.push_back(std::move(f));
        i += total;
        matched = true;
        break;
      }
    }
    if (!matched) {
      ++out.skipped;
      ++i;
    }
  }
  return out;
}

}  // namespace pulse::test
