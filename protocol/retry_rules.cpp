#include "protocol/retry_rules.h"

namespace pulse::protocol {

void CommandRetry::Step() noexcept {
  if (state_.StopPending) {
    ++state_.StopTicks;
    if (state_.StopTicks % kStopRetryTicks == 0) sender_.SendStartStop(kStopKind);
  }
  if (state_.ZeroPending) {
    ++state_.ZeroTicks;
    if (state_.ZeroTicks % kZeroRetryTicks == 0) sender_.SendZero();
  }
  if (state_.RestartPending) {
    if (state_.Sampling) {
      ++state_.RestartTicks;
      if (state_.RestartTicks % kRestartDelayTicks == 0) sender_.SendStartStop(kStartKind);
    } else {
      state_.RestartPending = false;
    }
  }
}

}  // namespace pulse::protocol
