// A raw pseudo-terminal for the serial tests: the test plays the device on the master side,
// the component under test opens the slave like any serial device.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pulse::test {

class PtyPair {
 public:
  PtyPair();  // throws std::runtime_error when the system has no pseudo-terminal to give
  ~PtyPair() { CloseMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& SlavePath() const { return slave_path_; }
  int Master() const { return master_; }

  void Write(const std::vector<uint8_t>& bytes) const { Write(bytes.data(), bytes.size()); }
  void Write(const void* data, size_t size) const;

  // Reads what the slave side sent until `count` bytes are in or `timeout` passed.
  std::vector<uint8_t> Read(size_t count, std::chrono::milliseconds timeout) const;

  // The device is unplugged.
  void CloseMaster();

 private:
  int master_ = -1;
  std::string slave_path_;
};

}  // namespace pulse::test
