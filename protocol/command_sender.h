// The command set: senders with their status texts, and the operations that
// start a command awaiting acknowledgement.
#pragma once

#include <cstdint>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/command_frames.h"
#include "protocol/device_link.h"

namespace pulse::protocol {

// The kinds SendStartStop sends a frame for.
constexpr int32_t kStartKind = 1;
constexpr int32_t kStopKind = 2;

class CommandSender {
 public:
  CommandSender(form::TFormState& state, form::TMainControls& controls, IDeviceLink& link)
      : state_(state), controls_(controls), link_(link) {}

  // Clears the zero and restart retries whatever the kind; kind 1 sends
  // start, kind 2 stop, any other kind nothing.
  void SendStartStop(int32_t kind) noexcept;
  void SendZero() noexcept;
  void SendReadZeroValues() noexcept;
  void SendSetFrequency(uint8_t frequency) noexcept;
  void SendReadSerialNumber() noexcept;
  void SendReadProductionDate() noexcept;

  // The button operations: set the pending flag the retry rules watch, then
  // send. The port check and the captions stay with the window.
  void BeginZero() noexcept;   // zero button
  void BeginStart() noexcept;  // start/stop button showing "开始采样"
  void BeginStop() noexcept;   // start/stop button showing "停止采样"
  // Before the link closes: no stop or zero retry survives it.
  void EndPendingOnClose() noexcept;

 private:
  void Send(const CommandFrame& frame, const char* sent_text, const char* failed_text) noexcept;

  form::TFormState& state_;
  form::TMainControls& controls_;
  IDeviceLink& link_;
};

}  // namespace pulse::protocol
