// The one-line HTML page from which the web view plays the station's stream.
#include "player/player_page.h"

#include "build_config.h"
#include "platform/ui.h"

namespace sp {

std::string MakePlayerPage(const std::string& stream_base, const std::string& station) {
  // One line, fragments glued with nothing between them; the stream URL goes in as
  // it is, neither part escaped.
  std::string page;
  page += "<meta http-equiv='X-UA-Compatible' content='IE=edge' />";
  page +=
      "<body style='background-color: RGB(0, 0, 0); margin-top:0px; margin-left:0px;' "
      "scroll=no>";
  page +=
      "<div id='VIDEO' oncontextmenu='return false;' style='margin-top:0px; margin-left:3px; "
      "width:550px; overflow:hidden; background-color:transparent !important;'>";
  page += "<audio id='stream' style='height:40px; width:550px; 'figure autoplay controls>";
  page += "<source src='" + stream_base + station;
  page += "'>";
  page += "</audio>";
  page += "</div>";
  page += "<script>";
  page += "var audio = document.getElementById('stream');";
  page += "audio.volume = 0.3;";
  page += "function addVolume() { if (audio.volume + 0.1 < 1.0) { audio.volume += 0.1;} }";
  page += "function subtractVolume() { if (audio.volume - 0.1 > 0) { audio.volume -= 0.1;} }";
  page += "document.getElementById('stream').style.backgroundColor = 'transparent'";
  page += "</script>";
  return page;
}

void BuildPlayerPage(ControlId control, const std::string& station) {
  const std::string page = MakePlayerPage(config::kStreamBase, station);
  // Without the web view nothing is loaded and the program simply has no sound;
  // nothing is reported.
  ui::SetWebViewHtml(control, page);
}

}  // namespace sp
