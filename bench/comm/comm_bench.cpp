// Serial link figures, measured through the whole path: the device side of a pseudo-terminal,
// the reader thread, the main-thread queue and OnReceiveData on the draining ("main") thread.
//
//   comm_bench [--runs N] [--seconds S] [--interval MS] [--worst 1]
//
// --interval sets the read interval time-out (4294967295: deliver what is there at once);
// --worst 1 lists the slowest frames of each latency run.
//
// latency:    a 17-byte frame written every 5 ms (200 frames/s), time until OnReceiveData has
//             its last byte; median and 99th percentile per run, with the 2 ms read interval.
// throughput: the virtual sensor unpaced; bytes delivered per second, every byte checked.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "comm/comm32.h"
#include "comm/manual_queue.h"
#include "tools/virtual-sensor/virtual_sensor.h"

using namespace pulse::comm;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr size_t kFrameSize = 17;            // a three-channel data frame
constexpr auto kFramePeriod = 5ms;           // 200 frames per second
constexpr uint32_t kWindowReadInterval = 2;  // what the main window sets
// Settable from the command line.
uint32_t read_interval = kWindowReadInterval;
bool show_worst = false;
const std::vector<uint8_t> kStart = {0xF0, 0x2F, 0x01, 0x31, 0x51};
const std::vector<uint8_t> kStop = {0xF0, 0x2F, 0x01, 0x32, 0x52};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index =
      std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5));
  return values[index];
}

double Median(std::vector<double> values) {
  return Percentile(std::move(values), 0.5);
}

struct LatencyRun {
  double median_ms = 0;
  double p99_ms = 0;
  size_t frames = 0;
  bool intact = false;
};

LatencyRun MeasureLatency(double seconds) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char name[128];
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
      ptsname_r(master, name, sizeof name) != 0) {
    std::perror("pty");
    std::exit(1);
  }
  const size_t frames = static_cast<size_t>(seconds * 1000 / kFramePeriod.count());
  std::vector<std::atomic<int64_t>> written_at(frames);
  std::vector<double> latencies;
  latencies.reserve(frames);
  std::vector<uint8_t> received;
  received.reserve(frames * kFrameSize);

  pulse::comm::ManualQueue queue;
  TComm32 comm(queue);
  comm.SetCommPort(name);
  comm.SetBaudRate(256000);
  comm.SetReadIntervalTimeout(read_interval);
  comm.OnReceiveData = [&](const uint8_t* buffer, uint16_t length) {
    const auto now = Clock::now().time_since_epoch().count();
    const size_t before = received.size() / kFrameSize;
    received.insert(received.end(), buffer, buffer + length);
    for (size_t k = before; k < received.size() / kFrameSize; ++k)
      latencies.push_back(static_cast<double>(now - written_at[k].load()) / 1e6);
  };
  if (!comm.OpenPort()) {
    std::fprintf(stderr, "cannot open %s\n", name);
    std::exit(1);
  }

  std::thread device([&] {
    uint8_t frame[kFrameSize];
    auto next = Clock::now() + 20ms;
    for (size_t k = 0; k < frames; ++k) {
      std::this_thread::sleep_until(next);
      next += kFramePeriod;
      for (size_t i = 0; i < kFrameSize; ++i) frame[i] = static_cast<uint8_t>(k * 31 + i);
      written_at[k].store(Clock::now().time_since_epoch().count());
      if (write(master, frame, kFrameSize) != static_cast<ssize_t>(kFrameSize)) break;
    }
  });
  queue.DispatchUntil([&] { return received.size() >= frames * kFrameSize; },
                      std::chrono::milliseconds(static_cast<int>(seconds * 1000) + 5000));
  device.join();
  comm.ClosePort();
  close(master);

  if (show_worst) {
    std::vector<std::pair<double, size_t>> worst;
    for (size_t k = 0; k < latencies.size(); ++k) worst.emplace_back(latencies[k], k);
    std::sort(worst.rbegin(), worst.rend());
    for (size_t i = 0; i < std::min<size_t>(8, worst.size()); ++i)
      std::printf("  frame %zu: %.3f ms\n", worst[i].second, worst[i].first);
  }
  LatencyRun run;
  run.frames = latencies.size();
  run.median_ms = Median(latencies);
  run.p99_ms = Percentile(latencies, 0.99);
  run.intact = received.size() == frames * kFrameSize;
  for (size_t k = 0; run.intact && k < frames; ++k)
    for (size_t i = 0; i < kFrameSize; ++i)
      if (received[k * kFrameSize + i] != static_cast<uint8_t>(k * 31 + i)) run.intact = false;
  return run;
}

struct ThroughputRun {
  double bytes_per_second = 0;
  uint64_t bytes = 0;
  bool intact = false;
};

// Counts frames and bad bytes as they stream by, without keeping the stream.
class FrameChecker {
 public:
  void Feed(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) Byte(data[i]);
  }
  uint64_t frames = 0;
  uint64_t broken = 0;
  size_t Pending() const { return frame_.size(); }

 private:
  void Byte(uint8_t b) {
    frame_.push_back(b);
    if (frame_.size() == 1 && b != 0xF0) return Drop();
    if (frame_.size() == 2 && b != 0x1F) return Drop();
    if (frame_.size() < 4 || frame_.size() < size_t{frame_[2]} + 4) return;
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < frame_.size(); ++i) sum = static_cast<uint8_t>(sum + frame_[i]);
    if (sum == frame_.back()) {
      ++frames;
      frame_.clear();
    } else {
      Drop();
    }
  }
  void Drop() {
    ++broken;
    frame_.clear();
  }
  std::vector<uint8_t> frame_;
};

ThroughputRun MeasureThroughput(double seconds) {
  pulse::vsensor::Options options;
  options.unpaced = true;
  pulse::vsensor::VirtualSensor sensor(options);
  sensor.Start();
  pulse::comm::ManualQueue queue;
  TComm32 comm(queue);
  comm.SetCommPort(sensor.SlavePath());
  comm.SetBaudRate(256000);
  comm.SetReadIntervalTimeout(read_interval);
  uint64_t bytes = 0;
  FrameChecker checker;
  comm.OnReceiveData = [&](const uint8_t* buffer, uint16_t length) {
    bytes += length;
    checker.Feed(buffer, length);
  };
  if (!comm.OpenPort()) {
    std::fprintf(stderr, "cannot open %s\n", sensor.SlavePath().c_str());
    std::exit(1);
  }
  // A start that was not queued shows as no bytes, which the checks below report.
  (void)comm.WriteData(kStart.data(), static_cast<uint32_t>(kStart.size()));
  queue.DispatchUntil([&] { return bytes > 0; }, 5s);
  const auto t0 = Clock::now();
  const uint64_t bytes0 = bytes;
  const auto until = t0 + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  queue.DispatchUntil([&] { return Clock::now() >= until; }, 60s);
  const auto t1 = Clock::now();
  const uint64_t bytes1 = bytes;

  // Stop, then collect the tail and compare with what the sensor wrote.
  // A stop that was not queued leaves the sensor streaming: the tail check then fails.
  (void)comm.WriteData(kStop.data(), static_cast<uint32_t>(kStop.size()));
  queue.DispatchUntil([&] { return !sensor.Streaming(); }, 5s);
  const uint64_t written = sensor.GetStats().bytes_written;
  queue.DispatchUntil([&] { return bytes >= written; }, 5s);
  comm.ClosePort();
  sensor.Stop();

  ThroughputRun run;
  run.bytes = bytes;
  run.bytes_per_second =
      static_cast<double>(bytes1 - bytes0) / std::chrono::duration<double>(t1 - t0).count();
  run.intact = bytes == written && checker.broken == 0 && checker.Pending() == 0;
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  double seconds = 2;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(0.1, std::atof(argv[i + 1]));
    if (std::strcmp(argv[i], "--interval") == 0)
      read_interval = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    if (std::strcmp(argv[i], "--worst") == 0) show_worst = std::atoi(argv[i + 1]) != 0;
  }

  std::vector<double> medians, p99s, rates;
  bool all_intact = true;
  for (int r = 0; r < runs; ++r) {
    const LatencyRun run = MeasureLatency(seconds);
    std::printf("latency run %d: %zu frames, median %.3f ms, p99 %.3f ms%s\n", r + 1, run.frames,
                run.median_ms, run.p99_ms, run.intact ? "" : ", BYTES LOST OR REORDERED");
    medians.push_back(run.median_ms);
    p99s.push_back(run.p99_ms);
    all_intact = all_intact && run.intact;
  }
  for (int r = 0; r < runs; ++r) {
    const ThroughputRun run = MeasureThroughput(seconds);
    std::printf("throughput run %d: %.2f MB/s, %llu bytes%s\n", r + 1, run.bytes_per_second / 1e6,
                static_cast<unsigned long long>(run.bytes),
                run.intact ? ", all intact" : ", BYTES LOST OR REORDERED");
    rates.push_back(run.bytes_per_second);
    all_intact = all_intact && run.intact;
  }
  std::printf("latency (median of %d runs): median %.3f ms (goal <= 3), p99 %.3f ms (goal <= 5)\n",
              runs, Median(medians), Median(p99s));
  std::printf("throughput (median of %d runs): %.2f MB/s (goal >= 1), %s\n", runs,
              Median(rates) / 1e6, all_intact ? "no byte lost or reordered" : "DATA DAMAGED");
  return all_intact ? 0 : 1;
}
