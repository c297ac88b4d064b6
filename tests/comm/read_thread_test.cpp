// The reader alone, on a pty, with a fake UART's error counters: line-error reports must land
// in the data stream where the error was seen.
#include "comm/read_thread.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comm/line_settings.h"
#include "comm/manual_queue.h"
#include "tests/support/pty_pair.h"

using namespace pulse::comm;

namespace {

using namespace std::chrono_literals;

class ReaderHarness {
 public:
  explicit ReaderHarness(uint32_t interval_ms) : interval_(interval_ms) {
    slave_ = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) throw std::runtime_error("cannot open the slave");
    if (pulse::comm::ApplyLineSettings(slave_, pulse::comm::LineSettings{256000, 0, 0}))
      throw std::runtime_error("cannot set up the slave");
    stop = std::move(pulse::comm::StopSignal::Create().value);
    reader.port_handle = slave_;
    reader.stop_event = stop.get();
    reader.ReadIntervalTimeout = &interval_;
    reader.read_counts = [this](int) {
      pulse::comm::OsResult<pulse::comm::LineErrorCounts> counts;
      counts.value.frame = frame_errors.load();
      counts.value.overrun = overruns.load();
      return counts;
    };
    reader.notify = pulse::comm::NotifyTarget{
        &queue,
        std::make_shared<pulse::comm::NotifyWindow>([this](pulse::comm::Notification& message) {
          if (message.msg == pulse::comm::kMsgRequestHangup) {
            messages.push_back("hangup");
            return;
          }
          const auto* text = reinterpret_cast<const char*>(message.block.get());
          messages.emplace_back(text, message.count);
          terminated = terminated && message.block[message.count] == 0;
        })};
    reader.Attach(std::thread([this] { reader.Run(); }));
  }
  ~ReaderHarness() {
    stop->Signal();
    reader.Join();
    close(slave_);
  }
  bool WaitForMessages(size_t count) {
    return queue.DispatchUntil([&] { return messages.size() >= count; }, 5s);
  }

  pulse::test::PtyPair pty;
  pulse::comm::ManualQueue queue;
  std::unique_ptr<pulse::comm::StopSignal> stop;
  TReadThread reader;
  std::atomic<uint32_t> frame_errors{0};
  std::atomic<uint32_t> overruns{0};
  std::vector<std::string> messages;
  bool terminated = true;

 private:
  int slave_ = -1;
  std::atomic<uint32_t> interval_;
};

TEST(ReadThread, ReportsLineErrorsBetweenTheBytesBeforeAndAfterThem) {
  ReaderHarness harness(300);
  harness.pty.Write("AB", 2);
  std::this_thread::sleep_for(50ms);  // "AB" waits in the reader for the line to go quiet
  harness.frame_errors = 1;
  harness.overruns = 3;
  harness.pty.Write("CD", 2);
  ASSERT_TRUE(harness.WaitForMessages(3));
  EXPECT_EQ(
      harness.messages,
      (std::vector<std::string>{"AB", "Comm Event: CE_FRAME and CE_OVERRUN, EvtMask = 10", "CD"}));
  EXPECT_TRUE(harness.terminated);

  // Counters that did not move again give no second report.
  harness.pty.Write("EF", 2);
  ASSERT_TRUE(harness.WaitForMessages(4));
  EXPECT_EQ(harness.messages.back(), "EF");
  harness.frame_errors = 2;
  harness.pty.Write("G", 1);
  ASSERT_TRUE(harness.WaitForMessages(6));
  EXPECT_EQ(harness.messages[4], "Comm Event: CE_FRAME, EvtMask = 8");
  EXPECT_EQ(harness.messages[5], "G");
}

TEST(ReadThread, StopEndsItPromptlyEvenWithAChunkPending) {
  ReaderHarness harness(10000);
  harness.pty.Write("X", 1);
  std::this_thread::sleep_for(50ms);
  const auto start = std::chrono::steady_clock::now();
  harness.stop->Signal();
  EXPECT_TRUE(harness.reader.WaitFor(1s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  harness.queue.DispatchPending();
  EXPECT_TRUE(harness.messages.empty());  // a stop is no failure: no hang-up request
}

}  // namespace
