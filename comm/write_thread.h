// The writer: takes write requests from its own queue, one at a time, and writes each one
// completely; the stop signal ends it at once, dropping what is still queued.
#pragma once

#include <system_error>

#include "comm/port_thread.h"
#include "comm/write_queue.h"

namespace pulse::comm {

class TWriteThread : public comm::PortThread {
 public:
  // The writer's own queue, owned by the component.
  comm::WriteQueue* queue = nullptr;

 protected:
  void Execute() override;

 private:
  // Writes all `size` bytes. Otherwise the reason, already logged, with a hang-up requested
  // where the link is lost; ECANCELED when the stop signal ended the wait for room.
  [[nodiscard]] std::error_code Send(const uint8_t* data, uint32_t size);
};

}  // namespace pulse::comm
