// The player's keyboard, kept apart from the widgets so it is tested without
// a display: space plays or pauses, left/right step one frame, shift with
// left/right jumps 5 s.
#pragma once

#include <optional>

#include "window/player.h"

namespace pulse::window {

enum class PlayerKey { kSpace, kLeft, kRight, kOther };
enum class PlayerAction { kTogglePlay, kStepBack, kStepForward, kJumpBack, kJumpForward };

[[nodiscard]] std::optional<PlayerAction> ActionForKey(PlayerKey key, bool shift);
// Applies `action`; a step or jump pauses a playing player, so the frame it
// lands on stays on the screen.
void ApplyAction(Player& player, PlayerAction action);

}  // namespace pulse::window
