// Placeholder until the player page exists: the web view stays empty.
#include "player/player_page.h"

namespace sp {

std::string MakePlayerPage(const std::string&, const std::string&) {
  return {};
}
void BuildPlayerPage(ControlId, const std::string&) {}

}  // namespace sp
