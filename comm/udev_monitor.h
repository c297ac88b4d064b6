// udev's announcements of serial devices that appear, as a descriptor to wait on. Only where
// the build has libudev and a udev daemon runs on the machine; elsewhere Create() gives nothing
// and callers look for their device by themselves.
#pragma once

#include <memory>

#include "comm/os_error.h"

struct udev;
struct udev_monitor;

namespace pulse::comm {

class UdevMonitor {
 public:
  // Why there is none: EOPNOTSUPP when libudev is missing from the build, ENOENT when no udev
  // daemon runs (a container), otherwise the errno of the step that failed.
  [[nodiscard]] static OsResult<std::unique_ptr<UdevMonitor>> Create();
  ~UdevMonitor();
  UdevMonitor(const UdevMonitor&) = delete;
  UdevMonitor& operator=(const UdevMonitor&) = delete;

  // Readable when udev has announced something.
  [[nodiscard]] int Fd() const;
  // Takes all announcements waiting; true when a tty device was added among them.
  [[nodiscard]] bool TakeTtyAdded();

 private:
  UdevMonitor(struct udev* context, struct udev_monitor* monitor);
  struct udev* context_ = nullptr;
  struct udev_monitor* monitor_ = nullptr;
};

}  // namespace pulse::comm
