#include "comm/udev_identity.h"

#ifdef PULSE_HAVE_LIBUDEV
#include <libudev.h>

#include <algorithm>
#endif

namespace pulse::comm {

#ifdef PULSE_HAVE_LIBUDEV

namespace {

// udev writes blanks as underscores in these values, as in the link names.
std::string Property(struct udev_device* device, const char* key) {
  const char* value = udev_device_get_property_value(device, key);
  std::string text = value != nullptr ? value : "";
  std::replace(text.begin(), text.end(), '_', ' ');
  return text;
}

}  // namespace

std::optional<UdevIdentity> LookUpUdevIdentity(const std::string& tty_name) {
  struct udev* context = udev_new();
  if (context == nullptr) return std::nullopt;
  std::optional<UdevIdentity> out;
  if (struct udev_device* device =
          udev_device_new_from_subsystem_sysname(context, "tty", tty_name.c_str())) {
    UdevIdentity id;
    id.vendor = Property(device, "ID_VENDOR");
    if (id.vendor.empty()) id.vendor = Property(device, "ID_VENDOR_FROM_DATABASE");
    id.model = Property(device, "ID_MODEL");
    if (id.model.empty()) id.model = Property(device, "ID_MODEL_FROM_DATABASE");
    id.serial = Property(device, "ID_SERIAL_SHORT");
    if (!id.vendor.empty() || !id.model.empty() || !id.serial.empty()) out = std::move(id);
    udev_device_unref(device);
  }
  udev_unref(context);
  return out;
}

#else

std::optional<UdevIdentity> LookUpUdevIdentity(const std::string&) {
  return std::nullopt;
}

#endif

}  // namespace pulse::comm
