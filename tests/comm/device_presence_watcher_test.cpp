// The watcher that waits for an unplugged adapter, in its once-a-second mode (udev cannot see
// the links and pseudo-terminals a test makes): it reports a path that appears, only once and
// only on the main thread's queue, and nothing after a cancel.
#include "comm/device_presence_watcher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "comm/manual_queue.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using pulse::comm::DevicePresenceWatcher;

// A character device every machine has, to stand for the adapter's node.
constexpr const char* kSomeCharDevice = "/dev/null";

class WatcherTest : public testing::Test {
 protected:
  void SetUp() override { link_ = (dir_ / "adapter").string(); }
  void PlugIn() { fs::create_symlink(kSomeCharDevice, link_); }

  pulse::test::TempDir temp_{"watcher"};
  fs::path dir_ = temp_.Path();
  std::string link_;
  pulse::comm::ManualQueue queue_;
  int reports_ = 0;
};

TEST_F(WatcherTest, ReportsAPathThatAppearsOnceOnTheMainThread) {
  DevicePresenceWatcher watcher(queue_, DevicePresenceWatcher::Mode::kPollOnly);
  const std::thread::id main_thread = std::this_thread::get_id();
  std::thread::id reported_on;
  watcher.Watch(link_, [&] {
    ++reports_;
    reported_on = std::this_thread::get_id();
  });
  EXPECT_TRUE(watcher.Watching());
  EXPECT_FALSE(watcher.ListensToUdev());
  // Absent: nothing comes.
  EXPECT_EQ(queue_.WaitAndDispatch(1500ms), 0u);
  EXPECT_EQ(reports_, 0);

  PlugIn();
  // Within a look or two.
  ASSERT_TRUE(queue_.DispatchUntil([&] { return reports_ > 0; }, 3s));
  EXPECT_EQ(reports_, 1);
  EXPECT_EQ(reported_on, main_thread);
  EXPECT_FALSE(watcher.Watching());
  // Once only, though the path stays.
  EXPECT_EQ(queue_.WaitAndDispatch(1500ms), 0u);
  EXPECT_EQ(reports_, 1);
}

TEST_F(WatcherTest, APathAlreadyThereIsReportedAtOnceAndCanBeWatchedAgainFromTheReport) {
  PlugIn();
  DevicePresenceWatcher watcher(queue_, DevicePresenceWatcher::Mode::kPollOnly);
  watcher.Watch(link_, [&] {
    ++reports_;
    if (reports_ == 1) watcher.Watch(link_, [&] { ++reports_; });  // the open failed: again
  });
  ASSERT_TRUE(queue_.DispatchUntil([&] { return reports_ >= 2; }, 500ms));
  EXPECT_FALSE(watcher.Watching());
}

TEST_F(WatcherTest, NothingArrivesAfterACancelAndTheThreadEndsPromptly) {
  DevicePresenceWatcher watcher(queue_, DevicePresenceWatcher::Mode::kPollOnly);
  watcher.Watch(link_, [&] { ++reports_; });
  const auto before = std::chrono::steady_clock::now();
  watcher.Cancel();
  // The thread sleeps up to a second between looks; the cancel wakes it.
  EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
  EXPECT_FALSE(watcher.Watching());
  PlugIn();
  EXPECT_EQ(queue_.WaitAndDispatch(1500ms), 0u);
  EXPECT_EQ(reports_, 0);

  // A report already queued when the wait is cancelled is dropped as well.
  watcher.Watch(link_, [&] { ++reports_; });
  std::this_thread::sleep_for(200ms);  // posted by now: the path is there
  watcher.Cancel();
  queue_.WaitAndDispatch(200ms);
  EXPECT_EQ(reports_, 0);
}

TEST_F(WatcherTest, OnlyADeviceCounts) {
  EXPECT_FALSE(DevicePresenceWatcher::Present(link_));
  EXPECT_FALSE(DevicePresenceWatcher::Present(""));
  EXPECT_FALSE(DevicePresenceWatcher::Present(dir_.string()));  // a folder
  fs::create_symlink("/nonexistent/ttyUSB9", link_);               // a dangling link
  EXPECT_FALSE(DevicePresenceWatcher::Present(link_));
  EXPECT_TRUE(DevicePresenceWatcher::Present(kSomeCharDevice));
}

TEST(WatcherUdev, KnowsWhichPathsUdevAnnounces) {
  EXPECT_TRUE(DevicePresenceWatcher::UdevManaged("/dev/ttyUSB0"));
  EXPECT_TRUE(DevicePresenceWatcher::UdevManaged("/dev/serial/by-id/usb-FTDI_X-if00-port0"));
  EXPECT_FALSE(DevicePresenceWatcher::UdevManaged("/dev/pts/3"));
  EXPECT_FALSE(DevicePresenceWatcher::UdevManaged("/tmp/sensor"));
  // Where udev does not run (containers, CI), the automatic mode looks once a second too.
  pulse::comm::ManualQueue queue;
  DevicePresenceWatcher watcher(queue);
  watcher.Watch("/dev/ttyUSB-not-here", [] {});
  EXPECT_TRUE(watcher.Watching());
  if (!fs::exists("/run/udev/control")) {
    EXPECT_FALSE(watcher.ListensToUdev());
  }
  watcher.Cancel();
}

}  // namespace
