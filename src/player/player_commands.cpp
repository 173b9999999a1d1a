#include "player/player_commands.h"

namespace sp {

std::string PlayerCommandScript(PlayerCommand command) {
  std::string action;
  switch (command) {
    case PlayerCommand::Pause:
      action = "a.pause();";
      break;
    case PlayerCommand::Reload:
      // load() runs the source selection again, so the element's <source> opens a new
      // connection. The volume and muting the listener chose stay as they were. play()
      // answers with a promise; a refusal (no stream yet) shows as the element's own
      // error, not as one to report here.
      action =
          "var v = a.volume, m = a.muted; a.load(); a.volume = v; a.muted = m; "
          "var p = a.play(); if (p && p.catch) p.catch(function () {});";
      break;
  }
  return "(function () { var a = document.getElementById('stream'); if (!a) return; " + action +
         " })();";
}

}  // namespace sp
