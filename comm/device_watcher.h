// Waiting for a serial device that went away to come back. The window's reconnection asks for
// one path and hears once, on the main thread, when something is there again; tests drive the
// window through this interface without udev.
#pragma once

#include <functional>
#include <string>

namespace pulse::comm {

class IDeviceWatcher {
 public:
  virtual ~IDeviceWatcher() = default;
  // Starts waiting for `path` to name a character device again; `on_present` runs once, on the
  // main thread, when it does. A new Watch replaces the earlier one. Main thread only.
  virtual void Watch(const std::string& path, std::function<void()> on_present) = 0;
  // Ends the wait: the ended wait's `on_present` never runs after this returns.
  virtual void Cancel() = 0;
  [[nodiscard]] virtual bool Watching() const = 0;
};

}  // namespace pulse::comm
