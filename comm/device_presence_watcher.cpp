#include "comm/device_presence_watcher.h"

#include <poll.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <stdexcept>

#include "comm/stop_signal.h"
#include "comm/udev_monitor.h"

namespace pulse::comm {
namespace {

constexpr uint32_t kMsgDevicePresent = kUserMessageBase + 31;
constexpr std::string_view kDevRoot = "/dev/";
constexpr std::string_view kPtsRoot = "/dev/pts/";

// Waits on the stop signal and, when given, udev; until `path` is present or the stop.
// Returns true when present.
bool WaitForPath(const std::string& path, int stop_fd, UdevMonitor* udev,
                 std::chrono::milliseconds poll_interval) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(poll_interval);
  const timespec interval{static_cast<time_t>(seconds.count()),
                          static_cast<long>((poll_interval - seconds).count() * 1000000L)};
  for (;;) {
    if (DevicePresenceWatcher::Present(path)) return true;
    pollfd fds[2] = {{stop_fd, POLLIN, 0}, {udev ? udev->Fd() : -1, POLLIN, 0}};
    const int n = ppoll(fds, udev ? 2 : 1, udev ? nullptr : &interval, nullptr);
    if (n < 0 && errno != EINTR) return false;
    if (fds[0].revents != 0) return false;
    // Any tty that came is a reason to look; the path may be a link to it.
    if (udev && (fds[1].revents & POLLIN) != 0) (void)udev->TakeTtyAdded();
  }
}

}  // namespace

DevicePresenceWatcher::DevicePresenceWatcher(IMainThreadQueue& main_thread, Mode mode)
    : main_thread_(main_thread), mode_(mode) {}

DevicePresenceWatcher::~DevicePresenceWatcher() {
  Cancel();
}

bool DevicePresenceWatcher::Present(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

bool DevicePresenceWatcher::UdevManaged(const std::string& path) {
  return path.starts_with(kDevRoot) && !path.starts_with(kPtsRoot);
}

void DevicePresenceWatcher::Watch(const std::string& path, std::function<void()> on_present) {
  Cancel();
  OsResult<std::unique_ptr<StopSignal>> stop = StopSignal::Create();
  if (!stop.Ok()) throw std::runtime_error("cannot wait for the device: no event descriptor");
  stop_ = std::move(stop.value);
  std::unique_ptr<UdevMonitor> udev;
  // Without udev (whatever the reason) the thread looks for the path once a second.
  if (mode_ == Mode::kAuto && UdevManaged(path)) udev = std::move(UdevMonitor::Create().value);
  listens_to_udev_ = udev != nullptr;
  on_present_ = std::move(on_present);
  window_ = std::make_shared<NotifyWindow>([this](Notification& message) {
    if (message.msg == kMsgDevicePresent) Arrived();
  });
  const NotifyTarget target{&main_thread_, window_};
  const int stop_fd = stop_->Fd();
  thread_ = std::thread([path, stop_fd, target, udev = std::move(udev)] {
    if (WaitForPath(path, stop_fd, udev.get(), kPollInterval))
      (void)target.Post(kMsgDevicePresent, 0, nullptr);
  });
  watching_ = true;
}

void DevicePresenceWatcher::Arrived() {
  // The thread has posted and is ending; the wait is over before the caller hears of it, so
  // that it may watch again from inside on_present. The window is not detached: this runs
  // inside its procedure, and no other message can follow from an ended thread.
  window_.reset();
  StopThread();
  watching_ = false;
  std::function<void()> on_present = std::move(on_present_);
  on_present_ = nullptr;
  if (on_present) on_present();
}

void DevicePresenceWatcher::StopThread() {
  if (window_) window_->Detach();
  window_.reset();
  if (stop_) stop_->Signal();
  if (thread_.joinable()) thread_.join();
  stop_.reset();
}

void DevicePresenceWatcher::Cancel() {
  StopThread();
  watching_ = false;
  listens_to_udev_ = false;
  on_present_ = nullptr;
}

}  // namespace pulse::comm
