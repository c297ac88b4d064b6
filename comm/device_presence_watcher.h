// The watcher the program uses: a thread that waits for a device path to come back, woken by
// udev's announcements where udev can see the device, otherwise looking once a second. It
// sleeps in ppoll between looks, so a long wait costs nothing.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "comm/device_watcher.h"
#include "comm/main_thread_queue.h"

namespace pulse::comm {

class StopSignal;

class DevicePresenceWatcher : public IDeviceWatcher {
 public:
  // How often the path is looked at when udev cannot tell us.
  static constexpr std::chrono::milliseconds kPollInterval{1000};
  enum class Mode {
    kAuto,      // udev when it can see the device, else looking once a second
    kPollOnly,  // always looking once a second
  };

  explicit DevicePresenceWatcher(IMainThreadQueue& main_thread, Mode mode = Mode::kAuto);
  ~DevicePresenceWatcher() override;
  DevicePresenceWatcher(const DevicePresenceWatcher&) = delete;
  DevicePresenceWatcher& operator=(const DevicePresenceWatcher&) = delete;

  void Watch(const std::string& path, std::function<void()> on_present) override;
  void Cancel() override;
  [[nodiscard]] bool Watching() const override { return watching_; }
  // True while the current wait listens to udev rather than looking once a second.
  [[nodiscard]] bool ListensToUdev() const { return listens_to_udev_; }

  // True when `path` names a character device now (following symbolic links).
  [[nodiscard]] static bool Present(const std::string& path);
  // True for paths udev creates and announces: device nodes and links under /dev, but not the
  // pseudo-terminals of /dev/pts, which it never hears about.
  [[nodiscard]] static bool UdevManaged(const std::string& path);

 private:
  void Arrived();
  void StopThread();

  IMainThreadQueue& main_thread_;
  const Mode mode_;
  std::function<void()> on_present_;
  // The main-thread end of the current wait; detached on Cancel so a late message is dropped.
  std::shared_ptr<NotifyWindow> window_;
  std::unique_ptr<StopSignal> stop_;
  std::thread thread_;
  bool watching_ = false;
  bool listens_to_udev_ = false;
};

}  // namespace pulse::comm
