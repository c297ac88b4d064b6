// What udev knows about a serial adapter: the vendor, model and serial number its
// /dev/serial/by-id link is made of, so the operator can tell one adapter from another.
#pragma once

#include <optional>
#include <string>

namespace pulse::comm {

struct UdevIdentity {
  std::string vendor;  // "FTDI"
  std::string model;   // "FT232R USB UART"
  std::string serial;  // "A50285BI"
};

// For a tty by its kernel name ("ttyUSB0"). Nothing when the build has no libudev, udev's
// database has no entry (no daemon, not a USB device) or it names nothing useful.
[[nodiscard]] std::optional<UdevIdentity> LookUpUdevIdentity(const std::string& tty_name);

}  // namespace pulse::comm
