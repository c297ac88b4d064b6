#include "comm/port_names.h"

#include "comm/udev_identity.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace pulse::comm {

namespace fs = std::filesystem;
namespace {

// Families of serial devices, in the order ports are numbered.
constexpr std::array<std::string_view, 3> kFamilies = {"ttyUSB", "ttyACM", "ttyS"};
// sysfs "type" of a ttyS placeholder that has no UART behind it.
constexpr std::string_view kUnknownUartType = "0";
// Where udev puts the links that name adapters by what they are.
constexpr std::string_view kByIdDir = "serial/by-id";
// The real tree; only there does udev's database describe the devices.
constexpr std::string_view kRealSysRoot = "/sys";
// Levels to climb from the tty's device to the USB device that holds its descriptors.
constexpr int kUsbSearchDepth = 4;

std::optional<int> ParseNumber(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

std::string ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (in) std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<int> ComPortNumber(std::string_view name) {
  for (std::string_view device_prefix : {"//./", "\\\\.\\"}) {
    if (name.substr(0, device_prefix.size()) == device_prefix) {
      name.remove_prefix(device_prefix.size());
      break;
    }
  }
  if (!StartsWithNoCase(name, "COM")) return std::nullopt;
  const auto number = ParseNumber(name.substr(3));
  if (!number || *number < 1) return std::nullopt;
  return number;
}

PortNames::PortNames(std::string dev_root, std::string sys_root)
    : dev_root_(std::move(dev_root)), sys_root_(std::move(sys_root)) {}

bool PortNames::AddMapping(std::string_view entry) {
  const size_t eq = entry.find('=');
  if (eq == std::string_view::npos) return false;
  const auto number = ComPortNumber(Trim(entry.substr(0, eq)));
  const std::string_view path = Trim(entry.substr(eq + 1));
  if (!number || path.empty()) return false;
  mappings_[*number] = std::string(path);
  return true;
}

void PortNames::SetMapping(int port_number, std::string path) {
  mappings_[port_number] = std::move(path);
}

std::optional<PortInfo> PortNames::Describe(const std::string& name) const {
  PortInfo info;
  info.name = name;
  info.path = (fs::path(dev_root_) / name).string();
  const fs::path tty = fs::path(sys_root_) / "class" / "tty" / name;
  std::error_code ec;
  const fs::path device = fs::canonical(tty / "device", ec);
  if (name.rfind("ttyS", 0) == 0) {
    // Every ttyS the kernel reserves shows up in /dev; only those with a UART are ports.
    if (ec || ReadFirstLine(tty / "type") == kUnknownUartType) return std::nullopt;
  }
  if (ec) return info;
  const fs::path driver = fs::read_symlink(device / "driver", ec);
  if (!ec) info.driver = driver.filename().string();
  fs::path dir = device;
  for (int level = 0; level < kUsbSearchDepth && !dir.empty(); ++level) {
    if (fs::exists(dir / "idVendor", ec)) {
      info.usb_vendor_id = ReadFirstLine(dir / "idVendor");
      info.usb_product_id = ReadFirstLine(dir / "idProduct");
      info.manufacturer = ReadFirstLine(dir / "manufacturer");
      info.product = ReadFirstLine(dir / "product");
      info.SerialNumber = ReadFirstLine(dir / "serial");
      break;
    }
    if (dir == dir.parent_path()) break;
    dir = dir.parent_path();
  }
  // Adapters without the strings in their descriptors still have udev's names for them
  // (from the vendor database), the ones their by-id link is made of.
  if (sys_root_ == kRealSysRoot) {
    if (const auto id = LookUpUdevIdentity(name)) {
      if (info.manufacturer.empty()) info.manufacturer = id->vendor;
      if (info.product.empty()) info.product = id->model;
      if (info.SerialNumber.empty()) info.SerialNumber = id->serial;
    }
  }
  return info;
}

std::map<std::string, std::string> PortNames::ByIdLinks() const {
  std::map<std::string, std::string> links;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(dev_root_) / kByIdDir, ec)) {
    std::error_code target_ec;
    const fs::path target = fs::canonical(entry.path(), target_ec);
    if (!target_ec) links.emplace(target.string(), entry.path().string());
  }
  return links;
}

std::string PortNames::ByIdLinkFor(const std::string& device) const {
  std::error_code ec;
  const fs::path target = fs::canonical(device, ec);
  if (ec) return {};
  const std::map<std::string, std::string> links = ByIdLinks();
  const auto found = links.find(target.string());
  return found == links.end() ? std::string() : found->second;
}

std::vector<PortInfo> PortNames::PresentPorts() const {
  std::vector<std::pair<int, std::string>> found[kFamilies.size()];
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dev_root_, ec)) {
    const std::string name = entry.path().filename().string();
    for (size_t family = 0; family < kFamilies.size(); ++family) {
      if (name.rfind(kFamilies[family], 0) != 0) continue;
      if (auto number = ParseNumber(std::string_view(name).substr(kFamilies[family].size())))
        found[family].emplace_back(*number, name);
    }
  }
  const std::map<std::string, std::string> by_id = ByIdLinks();
  std::vector<PortInfo> ports;
  for (auto& family : found) {
    std::sort(family.begin(), family.end());
    for (const auto& [number, name] : family) {
      std::optional<PortInfo> info = Describe(name);
      if (!info) continue;
      std::error_code path_ec;
      const fs::path canonical = fs::canonical(info->path, path_ec);
      if (const auto link = by_id.find(canonical.string()); !path_ec && link != by_id.end())
        info->by_id_link = fs::path(link->second).filename().string();
      ports.push_back(std::move(*info));
    }
  }
  return ports;
}

std::string PortNames::Resolve(const std::string& comm_port) const {
  if (!comm_port.empty() && comm_port.front() == '/' && !ComPortNumber(comm_port)) return comm_port;
  const auto number = ComPortNumber(comm_port);
  if (!number) return {};
  if (auto mapped = mappings_.find(*number); mapped != mappings_.end()) return mapped->second;
  const std::vector<PortInfo> ports = PresentPorts();
  if (static_cast<size_t>(*number) > ports.size()) return {};
  return ports[static_cast<size_t>(*number) - 1].path;
}

}  // namespace pulse::comm
