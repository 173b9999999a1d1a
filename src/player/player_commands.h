// Scripts that pause the player page's audio element, or load its stream afresh and play
// it, from outside the page, leaving the page's own text as it is.
#pragma once

#include <string>

namespace sp {

enum class PlayerCommand { Pause, Reload };

std::string PlayerCommandScript(PlayerCommand command);

}  // namespace sp
