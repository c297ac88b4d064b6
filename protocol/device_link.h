// What the command senders need of the serial link.
#pragma once

#include <cstdint>

namespace pulse::protocol {

class IDeviceLink {
 public:
  virtual ~IDeviceLink() = default;
  // Queues a copy of `size` bytes for writing; the caller's buffer may go
  // away on return. False when the request could not be queued.
  [[nodiscard]] virtual bool WriteData(const uint8_t* data, uint32_t size) = 0;
};

}  // namespace pulse::protocol
