#include "comm/udev_monitor.h"

#include <unistd.h>

#ifdef PULSE_HAVE_LIBUDEV
#include <libudev.h>

#include <cstring>
#endif

namespace pulse::comm {
namespace {

#ifdef PULSE_HAVE_LIBUDEV
// Present while the udev daemon runs; without it a monitor would never hear anything.
constexpr const char* kUdevControlSocket = "/run/udev/control";
#endif

}  // namespace

UdevMonitor::UdevMonitor(struct udev* context, struct udev_monitor* monitor)
    : context_(context), monitor_(monitor) {}

#ifdef PULSE_HAVE_LIBUDEV

OsResult<std::unique_ptr<UdevMonitor>> UdevMonitor::Create() {
  if (access(kUdevControlSocket, F_OK) != 0) return {nullptr, LastOsError()};
  struct udev* context = udev_new();
  if (context == nullptr) return {nullptr, OsError(ENOMEM)};
  // "udev" events come after the rules ran: the by-id links and permissions are in place.
  struct udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (monitor == nullptr) {
    const std::error_code error = LastOsError();
    udev_unref(context);
    return {nullptr, error};
  }
  // Both return a negative errno.
  int status = udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr);
  if (status >= 0) status = udev_monitor_enable_receiving(monitor);
  if (status < 0) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return {nullptr, OsError(-status)};
  }
  return {std::unique_ptr<UdevMonitor>(new UdevMonitor(context, monitor)), {}};
}

UdevMonitor::~UdevMonitor() {
  udev_monitor_unref(monitor_);
  udev_unref(context_);
}

int UdevMonitor::Fd() const {
  return udev_monitor_get_fd(monitor_);
}

bool UdevMonitor::TakeTtyAdded() {
  bool added = false;
  // The monitor's socket is non-blocking: this ends when nothing more is waiting.
  while (struct udev_device* device = udev_monitor_receive_device(monitor_)) {
    const char* action = udev_device_get_action(device);
    if (action != nullptr && std::strcmp(action, "add") == 0) added = true;
    udev_device_unref(device);
  }
  return added;
}

#else

OsResult<std::unique_ptr<UdevMonitor>> UdevMonitor::Create() {
  return {nullptr, OsError(EOPNOTSUPP)};
}
UdevMonitor::~UdevMonitor() = default;
int UdevMonitor::Fd() const {
  return -1;
}
bool UdevMonitor::TakeTtyAdded() {
  return false;
}

#endif

}  // namespace pulse::comm
