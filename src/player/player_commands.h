// Scripts that play or pause the player page's audio element from outside the page (the
// desktop's media keys), leaving the page's own text as it is.
#pragma once

#include <string>

namespace sp {

enum class PlayerCommand { Play, Pause, Toggle };

std::string PlayerCommandScript(PlayerCommand command);

}  // namespace sp
