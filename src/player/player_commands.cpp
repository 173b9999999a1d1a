#include "player/player_commands.h"

namespace sp {

std::string PlayerCommandScript(PlayerCommand command) {
  // play() answers with a promise; a refusal (no stream yet) is the page's business,
  // not an error to report.
  const char* play = "var p = a.play(); if (p && p.catch) p.catch(function () {});";
  std::string action;
  switch (command) {
    case PlayerCommand::Play:
      action = play;
      break;
    case PlayerCommand::Pause:
      action = "a.pause();";
      break;
    case PlayerCommand::Toggle:
      action = std::string("if (a.paused) { ") + play + " } else { a.pause(); }";
      break;
  }
  return "(function () { var a = document.getElementById('stream'); if (!a) return; " + action +
         " })();";
}

}  // namespace sp
