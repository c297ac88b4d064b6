#include "window/player_keys.h"

namespace pulse::window {

std::optional<PlayerAction> ActionForKey(PlayerKey key, bool shift) {
  switch (key) {
    case PlayerKey::kSpace: return shift ? std::nullopt : std::optional(PlayerAction::kTogglePlay);
    case PlayerKey::kLeft: return shift ? PlayerAction::kJumpBack : PlayerAction::kStepBack;
    case PlayerKey::kRight: return shift ? PlayerAction::kJumpForward : PlayerAction::kStepForward;
    case PlayerKey::kOther: return std::nullopt;
  }
  return std::nullopt;
}

void ApplyAction(Player& player, PlayerAction action) {
  if (action != PlayerAction::kTogglePlay) player.Pause();
  switch (action) {
    case PlayerAction::kTogglePlay: player.TogglePlay(); break;
    case PlayerAction::kStepBack: player.StepBack(); break;
    case PlayerAction::kStepForward: player.StepForward(); break;
    case PlayerAction::kJumpBack: player.Jump(-kPlayerJumpSeconds); break;
    case PlayerAction::kJumpForward: player.Jump(kPlayerJumpSeconds); break;
  }
}

}  // namespace pulse::window
