// Re-sends unacknowledged stop and zero commands and restarts sampling after
// an acknowledged zeroing; one Step() per timer tick.
#pragma once

#include "form/form_state.h"
#include "protocol/command_sender.h"

namespace pulse::protocol {

constexpr int32_t kStopRetryTicks = 5;
constexpr int32_t kZeroRetryTicks = 5;
// The device needs a moment after zeroing before it takes a start command.
constexpr int32_t kRestartDelayTicks = 10;

class CommandRetry {
 public:
  CommandRetry(form::TFormState& state, CommandSender& sender) : state_(state), sender_(sender) {}

  // The stop rule, the zero rule and the restart rule, in that order.
  void Step() noexcept;

 private:
  form::TFormState& state_;
  CommandSender& sender_;
};

}  // namespace pulse::protocol
