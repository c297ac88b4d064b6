// udev's announcements of serial devices that appear, as a descriptor to wait on. Only where
// the build has libudev and a udev daemon runs on the machine; elsewhere Create() gives nothing
// and callers look for their device by themselves.
#pragma once

#include <memory>

struct udev;
struct udev_monitor;

namespace pulse::comm {

class UdevMonitor {
 public:
  // Nothing when libudev is missing from the build, no udev daemon runs (a container) or the
  // monitor cannot be set up.
  [[nodiscard]] static std::unique_ptr<UdevMonitor> Create();
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
