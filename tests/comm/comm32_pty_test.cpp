// TComm32 on real pseudo-terminals: the test thread plays the main thread by draining the
// queue, the master side plays the device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <numeric>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "comm/comm32.h"
#include "comm/manual_queue.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using namespace pulse::comm;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

// Generous: the machine running the tests may be loaded.
constexpr auto kArrival = 5s;

Bytes Pattern(size_t size, uint8_t seed = 0) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + 1);
  return bytes;
}

// A component on a pty whose received chunks are collected on the draining thread.
class Link {
 public:
  explicit Link(const std::string& device, uint32_t interval_ms = 2) : comm(queue) {
    comm.SetCommPort(device);
    comm.SetBaudRate(256000);
    comm.SetReadIntervalTimeout(interval_ms);
    comm.OnReceiveData = [this](const uint8_t* buffer, uint16_t length) {
      chunks.emplace_back(buffer, buffer + length);
      zero_terminated = zero_terminated && buffer[length] == 0;
    };
    comm.OnRequestHangup = [this](TComm32* sender) {
      hangup_sender = sender;
      ++hangups;
      hangup_time = Clock::now();
    };
  }

  Bytes Received() const {
    Bytes all;
    for (const Bytes& chunk : chunks) all.insert(all.end(), chunk.begin(), chunk.end());
    return all;
  }
  bool WaitForBytes(size_t count, std::chrono::milliseconds timeout = kArrival) {
    return queue.DispatchUntil([&] { return Received().size() >= count; }, timeout);
  }

  pulse::comm::ManualQueue queue;
  TComm32 comm;
  std::vector<Bytes> chunks;
  bool zero_terminated = true;
  int hangups = 0;
  TComm32* hangup_sender = nullptr;
  Clock::time_point hangup_time;
};

TEST(Comm32Pty, OpensClosesAndReopens) {
  pulse::test::PtyPair pty;
  Link link(pty.SlavePath());
  ASSERT_TRUE(link.comm.OpenPort());
  EXPECT_TRUE(link.comm.IsOpen());
  EXPECT_TRUE(link.comm.ReadThreadRunning());
  EXPECT_TRUE(link.comm.WriteThreadRunning());
  // A second open of the same component changes nothing.
  EXPECT_TRUE(link.comm.OpenPort());
  link.comm.ClosePort();
  EXPECT_FALSE(link.comm.IsOpen());
  link.comm.ClosePort();  // closed: nothing happens

  ASSERT_TRUE(link.comm.OpenPort());
  pty.Write(Pattern(10));
  ASSERT_TRUE(link.WaitForBytes(10));
  EXPECT_EQ(link.Received(), Pattern(10));
  const Bytes command = {0xF0, 0x2F, 0x01, 0x31, 0x51};
  ASSERT_TRUE(link.comm.WriteData(command.data(), static_cast<uint32_t>(command.size())));
  EXPECT_EQ(pty.Read(command.size(), kArrival), command);
  link.comm.ClosePort();
}

TEST(Comm32Pty, RefusesASecondOpenOfTheSameDeviceAndMissingOrOddDevices) {
  pulse::test::PtyPair pty;
  Link first(pty.SlavePath());
  Link second(pty.SlavePath());
  ASSERT_TRUE(first.comm.OpenPort());
  EXPECT_FALSE(second.comm.OpenPort());
  EXPECT_FALSE(second.comm.IsOpen());
  EXPECT_EQ(second.comm.OpenError(), EBUSY);  // the reason shown to the operator
  first.comm.ClosePort();
  EXPECT_TRUE(second.comm.OpenPort());
  EXPECT_EQ(second.comm.OpenError(), 0);
  second.comm.ClosePort();

  Link missing("/dev/no-such-serial-device");
  EXPECT_FALSE(missing.comm.OpenPort());
  EXPECT_EQ(missing.comm.OpenError(), ENOENT);
  const pulse::test::TempDir dir("comm32");
  const std::string regular = dir / "not-a-device";
  std::ofstream(regular) << "x";
  Link file(regular);
  EXPECT_FALSE(file.comm.OpenPort());
  EXPECT_FALSE(file.comm.IsOpen());
  EXPECT_EQ(file.comm.OpenError(), ENOTTY);
  Link unnumbered("COM99");  // no such port present
  EXPECT_FALSE(unnumbered.comm.OpenPort());
  EXPECT_EQ(unnumbered.comm.OpenError(), 0);
}

TEST(Comm32Pty, ReadsBackTheBaudRate) {
  pulse::test::PtyPair pty;
  for (uint32_t baud : {38400u, 115200u, 256000u}) {
    Link link(pty.SlavePath());
    link.comm.SetBaudRate(baud);
    ASSERT_TRUE(link.comm.OpenPort());
    EXPECT_EQ(link.comm.ActualBaudRate(), baud);
    link.comm.ClosePort();
  }
}

TEST(Comm32Pty, PutsTheLineInRawModeKeepingHardwareFlowControl) {
  pulse::test::PtyPair pty;
  // The device came with hardware flow control and a cooked terminal's settings.
  const int probe = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(probe, 0);
  termios before{};
  ASSERT_EQ(tcgetattr(probe, &before), 0);
  before.c_cflag |= CRTSCTS;
  before.c_lflag |= ICANON | ECHO | ISIG;
  before.c_iflag |= ICRNL | IXON;
  before.c_oflag |= OPOST;
  ASSERT_EQ(tcsetattr(probe, TCSANOW, &before), 0);
  close(probe);

  Link link(pty.SlavePath());
  link.comm.SetStopBits(TWOSTOPBIT);
  ASSERT_TRUE(link.comm.OpenPort());
  // Only root gets past the exclusive open to look at the settings.
  const int look = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (look < 0) GTEST_SKIP() << "exclusive open holds: cannot inspect the settings";
  termios after{};
  ASSERT_EQ(tcgetattr(look, &after), 0);
  close(look);
  EXPECT_TRUE(after.c_cflag & CRTSCTS);
  EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  // (A pty forces CS8 and no parity whatever it is told, so parity cannot be seen here.)
  EXPECT_TRUE(after.c_cflag & CSTOPB);
  EXPECT_FALSE(after.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
  EXPECT_FALSE(after.c_iflag & (ICRNL | IXON | IXOFF));
  EXPECT_FALSE(after.c_oflag & OPOST);
  EXPECT_EQ(after.c_cc[VMIN], 1);
  EXPECT_EQ(after.c_cc[VTIME], 0);
  link.comm.ClosePort();
}

TEST(Comm32Pty, DrainsWaitingBytesAs24And24And2) {
  pulse::test::PtyPair pty;
  // A long interval, so that a loaded machine cannot split the tail.
  Link link(pty.SlavePath(), 200);
  ASSERT_TRUE(link.comm.OpenPort());
  pty.Write(Pattern(50));
  ASSERT_TRUE(link.WaitForBytes(50));
  ASSERT_EQ(link.chunks.size(), 3u);
  EXPECT_EQ(link.chunks[0].size(), 24u);
  EXPECT_EQ(link.chunks[1].size(), 24u);
  EXPECT_EQ(link.chunks[2].size(), 2u);
  EXPECT_EQ(link.Received(), Pattern(50));
  EXPECT_TRUE(link.zero_terminated);
  link.comm.ClosePort();
}

TEST(Comm32Pty, AQuietLineEndsAChunkAndGapsSplitThem) {
  pulse::test::PtyPair pty;
  Link link(pty.SlavePath(), 2);
  ASSERT_TRUE(link.comm.OpenPort());
  // Each burst is one write; the next follows a 10 ms gap after the previous one was
  // delivered. A reader that waited for 24 bytes instead of a quiet line would stall here.
  const std::vector<size_t> bursts = {1, 5, 17, 24, 30, 3, 49, 2};
  Bytes sent;
  std::vector<size_t> expected_sizes;
  for (size_t i = 0; i < bursts.size(); ++i) {
    const Bytes burst = Pattern(bursts[i], static_cast<uint8_t>(i * 31));
    pty.Write(burst);
    sent.insert(sent.end(), burst.begin(), burst.end());
    for (size_t left = bursts[i]; left > 0; left -= std::min<size_t>(left, 24))
      expected_sizes.push_back(std::min<size_t>(left, 24));
    ASSERT_TRUE(link.WaitForBytes(sent.size())) << "burst " << i << " not delivered";
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(link.Received(), sent);
  EXPECT_TRUE(link.zero_terminated);
  std::vector<size_t> sizes;
  for (const Bytes& chunk : link.chunks) sizes.push_back(chunk.size());
  EXPECT_EQ(sizes, expected_sizes);
  link.comm.ClosePort();
}

TEST(Comm32Pty, BurstsWithGapsArriveInOrderInChunksOfAtMost24) {
  pulse::test::PtyPair pty;
  Link link(pty.SlavePath(), 2);
  ASSERT_TRUE(link.comm.OpenPort());
  // The device does not wait for the host here; how the bursts are cut depends on timing,
  // but every byte arrives once, in order, in chunks of 1 to 24 bytes.
  Bytes sent;
  for (int i = 0; i < 40; ++i) {
    const Bytes burst = Pattern(static_cast<size_t>(1 + (i * 13) % 60), static_cast<uint8_t>(i));
    pty.Write(burst);
    sent.insert(sent.end(), burst.begin(), burst.end());
    if (i % 4 == 0) std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(link.WaitForBytes(sent.size()));
  EXPECT_EQ(link.Received(), sent);
  for (const Bytes& chunk : link.chunks) {
    EXPECT_GE(chunk.size(), 1u);
    EXPECT_LE(chunk.size(), 24u);
  }
  link.comm.ClosePort();
}

TEST(Comm32Pty, ReadIntervalChangeAppliesWhileOpen) {
  pulse::test::PtyPair pty;
  Link link(pty.SlavePath(), 2);
  ASSERT_TRUE(link.comm.OpenPort());
  // With a 1 s interval, two bursts 100 ms apart end up in one chunk.
  link.comm.SetReadIntervalTimeout(1000);
  pty.Write(Pattern(4));
  std::this_thread::sleep_for(100ms);
  pty.Write(Pattern(4, 9));
  ASSERT_TRUE(link.WaitForBytes(8));
  ASSERT_EQ(link.chunks.size(), 1u);
  link.comm.ClosePort();
}

TEST(Comm32Pty, WritesQueuedRequestsInOrder) {
  pulse::test::PtyPair pty;
  Link link(pty.SlavePath());
  ASSERT_TRUE(link.comm.OpenPort());
  Bytes expected;
  for (int i = 0; i < 300; ++i) {
    const Bytes frame = Pattern(static_cast<size_t>(1 + i % 40), static_cast<uint8_t>(i));
    ASSERT_TRUE(link.comm.WriteData(frame.data(), static_cast<uint32_t>(frame.size())));
    expected.insert(expected.end(), frame.begin(), frame.end());
    if (i % 50 == 0) {
      // An empty request is queued and sends nothing.
      EXPECT_TRUE(link.comm.WriteData(nullptr, 0));
    }
  }
  EXPECT_EQ(pty.Read(expected.size(), kArrival), expected);
  EXPECT_TRUE(pty.Read(1, 100ms).empty());
  link.comm.ClosePort();
  EXPECT_FALSE(link.comm.WriteData(expected.data(), 5));
}

TEST(Comm32Pty, CloseEndsAWriterBlockedOnAFullOutputQueue) {
  pulse::test::PtyPair pty;
  Link link(pty.SlavePath());
  ASSERT_TRUE(link.comm.OpenPort());
  // Nobody reads the master: the writer fills the pty and then waits for room.
  const Bytes block = Pattern(64 * 1024);
  for (int i = 0; i < 8; ++i)
    ASSERT_TRUE(link.comm.WriteData(block.data(), static_cast<uint32_t>(block.size())));
  std::this_thread::sleep_for(200ms);
  ASSERT_TRUE(link.comm.WriteThreadRunning());
  const auto start = Clock::now();
  link.comm.ClosePort();
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_FALSE(link.comm.IsOpen());
  // The queued requests were dropped: far less than 512 KiB reached the device.
  EXPECT_LT(pty.Read(block.size() * 8, 300ms).size(), block.size() * 2);
}

TEST(Comm32Pty, UnplugRequestsAHangupAndEndsTheReader) {
  pulse::test::PtyPair pty;
  Link link(pty.SlavePath());
  ASSERT_TRUE(link.comm.OpenPort());
  pty.Write(Pattern(7));
  ASSERT_TRUE(link.WaitForBytes(7));

  const auto unplugged = Clock::now();
  pty.CloseMaster();
  ASSERT_TRUE(link.queue.DispatchUntil([&] { return link.hangups > 0; }, kArrival));
  const auto delay = link.hangup_time - unplugged;
  std::printf("hang-up request %.2f ms after the unplug\n",
              std::chrono::duration<double, std::milli>(delay).count());
  EXPECT_LT(delay, 100ms);
  EXPECT_EQ(link.hangup_sender, &link.comm);
  // The reader ends by itself; the component stays open until the owner closes it.
  for (int i = 0; i < 100 && link.comm.ReadThreadRunning(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_FALSE(link.comm.ReadThreadRunning());
  EXPECT_TRUE(link.comm.IsOpen());
  EXPECT_EQ(link.Received(), Pattern(7));

  // The writer fails at its next write and asks for a hang-up too; from then on WriteData
  // reports the failure.
  const uint8_t byte = 0x31;
  EXPECT_TRUE(link.comm.WriteData(&byte, 1));
  ASSERT_TRUE(link.queue.DispatchUntil([&] { return !link.comm.WriteThreadRunning(); }, kArrival));
  link.queue.DispatchUntil([&] { return link.hangups >= 2; }, 1s);
  EXPECT_EQ(link.hangups, 2);
  EXPECT_FALSE(link.comm.WriteData(&byte, 1));

  const auto start = Clock::now();
  link.comm.ClosePort();
  EXPECT_LT(Clock::now() - start, 1s);
}

TEST(Comm32Pty, TheHangupHandlerMayClosePortAtOnce) {
  pulse::test::PtyPair pty;
  Link link(pty.SlavePath());
  link.comm.OnRequestHangup = [&link](TComm32* sender) {
    ++link.hangups;
    sender->ClosePort();
  };
  ASSERT_TRUE(link.comm.OpenPort());
  pty.CloseMaster();
  ASSERT_TRUE(link.queue.DispatchUntil([&] { return link.hangups > 0; }, kArrival));
  EXPECT_FALSE(link.comm.IsOpen());
  link.queue.WaitAndDispatch(50ms);
  EXPECT_EQ(link.hangups, 1);
}

// Makes the platform refuse the n-th thread, as it may when resources run out.
class FailingComm32 : public TComm32 {
 public:
  FailingComm32(pulse::comm::IMainThreadQueue& queue, int fail_at)
      : TComm32(queue), fail_at_(fail_at) {}
  int created = 0;

 protected:
  std::thread CreateThread(std::function<void()> body) override {
    if (++created == fail_at_) throw std::system_error(EAGAIN, std::generic_category());
    return TComm32::CreateThread(std::move(body));
  }

 private:
  int fail_at_;
};

TEST(Comm32Pty, AFailedThreadCreationReleasesThePort) {
  pulse::test::PtyPair pty;
  for (int fail_at : {1, 2}) {
    pulse::comm::ManualQueue queue;
    FailingComm32 comm(queue, fail_at);
    comm.SetCommPort(pty.SlavePath());
    comm.SetBaudRate(256000);
    try {
      (void)comm.OpenPort();
      ADD_FAILURE() << "no exception";
    } catch (const ECommsError& e) {
      EXPECT_STREQ(e.what(),
                   fail_at == 1 ? "Unable to create Read thread" : "Unable to create Write thread");
    }
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(comm.ReadThreadRunning());
    const uint8_t byte = 1;
    EXPECT_FALSE(comm.WriteData(&byte, 1));
    // The device is free again, and the next open of the same component really works.
    Link other(pty.SlavePath());
    ASSERT_TRUE(other.comm.OpenPort());
    other.comm.ClosePort();
    ASSERT_TRUE(comm.OpenPort());
    EXPECT_TRUE(comm.ReadThreadRunning());
    EXPECT_TRUE(comm.WriteThreadRunning());
    comm.ClosePort();
  }
}

TEST(Comm32Pty, DestroyingAnOpenComponentClosesItAndDropsItsQueuedMessages) {
  pulse::test::PtyPair pty;
  pulse::comm::ManualQueue queue;
  auto wait_pending = [&queue](size_t count) {
    for (int i = 0; i < 500 && queue.PendingCount() < count; ++i) std::this_thread::sleep_for(10ms);
    return queue.PendingCount();
  };
  {
    TComm32 comm(queue);  // no handlers: the blocks are freed all the same
    comm.SetCommPort(pty.SlavePath());
    comm.SetBaudRate(256000);
    comm.SetReadIntervalTimeout(50);
    ASSERT_TRUE(comm.OpenPort());
    pty.Write(Pattern(30));
    ASSERT_EQ(wait_pending(2), 2u);
    EXPECT_EQ(queue.DispatchPending(), 2u);
    pty.Write(Pattern(30));
    ASSERT_EQ(wait_pending(2), 2u);
  }
  // The device was released by the destructor; the messages for the gone component are
  // dispatched to nobody (the sanitizers watch for a use after free or a leak).
  Link other(pty.SlavePath());
  EXPECT_TRUE(other.comm.OpenPort());
  EXPECT_EQ(queue.DispatchPending(), 2u);
  other.comm.ClosePort();
}

// A driver that turns the line settings down, as a real one may for a rate it cannot make.
class RefusingComm32 : public TComm32 {
 public:
  using TComm32::TComm32;
  int refusals = 0;

 protected:
  std::error_code SetLineSettings(int, const LineSettings&) override {
    ++refusals;
    return std::error_code(EINVAL, std::system_category());
  }
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Comm32Pty, ARefusedLineSetupFailsTheOpenWithTheDriversReason) {
  pulse::test::PtyPair pty;
  const std::string log = testing::TempDir() + "/refused-setup.log";
  pulse::comm::ManualQueue queue;
  {
    RefusingComm32 comm(queue);
    comm.SetCommPort(pty.SlavePath());
    comm.SetBaudRate(256000);
    comm.SetCommsLogFileName(log);
    EXPECT_FALSE(comm.OpenPort());
    EXPECT_EQ(comm.refusals, 1);
    EXPECT_EQ(comm.OpenError(), EINVAL);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(comm.ReadThreadRunning());
    const uint8_t byte = 1;
    EXPECT_FALSE(comm.WriteData(&byte, 1));
    comm.SetCommsLogFileName("");
  }
  // The failed open closed the log behind its one line.
  EXPECT_EQ(ReadText(log), "Unable to SetCommState: GetLastError returned: \"Invalid argument\"\n");
  // Nothing of the refused open is held: the device opens again at once.
  Link other(pty.SlavePath());
  ASSERT_TRUE(other.comm.OpenPort());
  other.comm.ClosePort();
}

TEST(Comm32Pty, ACharacterDeviceThatIsNoTerminalFailsAtTheLineSetup) {
  // It passes the open like a port; only the driver's refusal of the line settings shows that
  // no line is behind it. Taken as open, its reader would end at once with a hang-up.
  Link null_device("/dev/null");
  EXPECT_FALSE(null_device.comm.OpenPort());
  EXPECT_EQ(null_device.comm.OpenError(), ENOTTY);
  EXPECT_FALSE(null_device.comm.IsOpen());
  null_device.queue.WaitAndDispatch(100ms);
  EXPECT_EQ(null_device.hangups, 0);
}

// The descriptor the process holds on `path`, or -1.
int DescriptorOn(const std::string& path) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (std::filesystem::read_symlink(entry.path(), ec).string() == path)
      return std::stoi(entry.path().filename().string());
  }
  return -1;
}

// Puts a descriptor of its own on a number the component let go of; a second close of that
// number by the component would close this one.
class Sentinel {
 public:
  explicit Sentinel(int number) : number_(number) {
    int ends[2];
    if (pipe(ends) != 0) throw std::runtime_error("no pipe");
    placed_ = dup2(ends[0], number) == number;
    for (const int end : ends)
      if (end != number) close(end);
  }
  ~Sentinel() { close(number_); }
  Sentinel(const Sentinel&) = delete;
  Sentinel& operator=(const Sentinel&) = delete;
  bool Placed() const { return placed_; }
  bool StillOpen() const { return fcntl(number_, F_GETFD) != -1; }

 private:
  int number_;
  bool placed_ = false;
};

TEST(Comm32Pty, CloseAndDestructionLetTheDeviceGoExactlyOnce) {
  pulse::test::PtyPair pty;
  auto link = std::make_unique<Link>(pty.SlavePath());
  ASSERT_TRUE(link->comm.OpenPort());
  const int device = DescriptorOn(pty.SlavePath());
  ASSERT_GE(device, 0);
  link->comm.ClosePort();
  EXPECT_EQ(DescriptorOn(pty.SlavePath()), -1);
  const Sentinel sentinel(device);
  ASSERT_TRUE(sentinel.Placed());
  link->comm.ClosePort();
  link.reset();
  EXPECT_TRUE(sentinel.StillOpen());
}

TEST(Comm32Pty, AnUnplugClosedByTheHangupHandlerTearsDownOnce) {
  pulse::test::PtyPair pty;
  const std::string log = testing::TempDir() + "/unplug-teardown.log";
  auto link = std::make_unique<Link>(pty.SlavePath());
  link->comm.SetCommsLogFileName(log);
  link->comm.OnRequestHangup = [&link](TComm32* sender) {
    ++link->hangups;
    sender->ClosePort();  // as the window does
  };
  ASSERT_TRUE(link->comm.OpenPort());
  const int device = DescriptorOn(pty.SlavePath());
  ASSERT_GE(device, 0);
  pty.CloseMaster();
  ASSERT_TRUE(link->queue.DispatchUntil([&] { return !link->comm.IsOpen(); }, kArrival));
  const Sentinel sentinel(device);
  ASSERT_TRUE(sentinel.Placed());
  // The writer's hang-up may still be queued; it finds the port closed.
  link->queue.WaitAndDispatch(50ms);
  link->comm.SetCommsLogFileName("");
  link.reset();
  EXPECT_TRUE(sentinel.StillOpen());

  const std::string text = ReadText(log);
  const size_t stopping = text.find("Stopping the Comm\n");
  ASSERT_NE(stopping, std::string::npos) << text;
  EXPECT_EQ(text.find("Stopping the Comm\n", stopping + 1), std::string::npos) << text;
  EXPECT_LT(stopping, text.find("Closing Read Thread \n"));
  EXPECT_LT(text.find("Closing Read Thread \n"), text.find("Closing Write Thread\n"));
}

TEST(Comm32Pty, AFailedOpenUndoesItselfWithoutTheCloseSequence) {
  pulse::test::PtyPair pty;
  const std::string log = testing::TempDir() + "/failed-open.log";
  pulse::comm::ManualQueue queue;
  FailingComm32 comm(queue, 2);
  comm.SetCommPort(pty.SlavePath());
  comm.SetBaudRate(256000);
  comm.SetCommsLogFileName(log);
  EXPECT_THROW((void)comm.OpenPort(), ECommsError);
  EXPECT_EQ(DescriptorOn(pty.SlavePath()), -1);
  comm.SetCommsLogFileName("");
  const std::string text = ReadText(log);
  // The reader that did start was stopped; nothing announces a close that never was.
  EXPECT_NE(text.find("Read thread shutting down\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Unable to create Write thread"), std::string::npos) << text;
  EXPECT_EQ(text.find("Stopping the Comm"), std::string::npos) << text;
  EXPECT_LT(text.find("Unable to create Write thread"), text.find("Read thread shutting down"));
}

}  // namespace
