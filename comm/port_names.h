// Port names: "COMn" (or "//./COMn") as the window names ports, mapped to a Linux device just
// before the open, and the list of serial ports present on the machine.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pulse::comm {

struct PortInfo {
  std::string path;         // /dev/ttyUSB0
  std::string name;         // ttyUSB0
  std::string driver;       // ftdi_sio, cdc_acm, serial8250, ...
  std::string usb_vendor_id;  // four hex digits, USB devices only
  std::string usb_product_id;
  std::string manufacturer;
  std::string product;
  std::string SerialNumber;
  // The adapter's name in /dev/serial/by-id ("usb-FTDI_USB_Serial_A1B2C3-if00-port0"): it
  // stays the same when the adapter comes back under another ttyUSB number. Empty for none.
  std::string by_id_link;
};

// n of "COMn", "//./COMn" or "\\.\COMn" (any case); nothing for other names.
[[nodiscard]] std::optional<int> ComPortNumber(std::string_view name);

class PortNames {
 public:
  // The roots are injectable so that tests can lay out a fake /dev and /sys.
  explicit PortNames(std::string dev_root = "/dev", std::string sys_root = "/sys");

  // An explicit mapping wins over the numbering of present ports. "COM3=/dev/ttyUSB0";
  // false for a malformed entry.
  [[nodiscard]] bool AddMapping(std::string_view entry);
  void SetMapping(int port_number, std::string path);
  void ClearMappings() { mappings_.clear(); }
  [[nodiscard]] const std::map<int, std::string>& Mappings() const { return mappings_; }

  // Present ports in a stable order: ttyUSB*, then ttyACM*, then real ttyS* (placeholders
  // with an unknown UART type skipped), each by number.
  [[nodiscard]] std::vector<PortInfo> PresentPorts() const;

  // The device to open for a CommPort value: a name starting with "/" as it is; "COMn" from
  // the mapping, else the n-th present port; empty when there is no such port.
  [[nodiscard]] std::string Resolve(const std::string& comm_port) const;

  // The /dev/serial/by-id link that leads to `device` (itself a path or a link), or empty
  // when the device has none (on-board ports, pseudo-terminals, links of our own).
  [[nodiscard]] std::string ByIdLinkFor(const std::string& device) const;

 private:
  [[nodiscard]] std::optional<PortInfo> Describe(const std::string& name) const;
  // Device path (canonical) -> by-id link path, for every link present.
  [[nodiscard]] std::map<std::string, std::string> ByIdLinks() const;

  std::string dev_root_;
  std::string sys_root_;
  std::map<int, std::string> mappings_;
};

}  // namespace pulse::comm
