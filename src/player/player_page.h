// The one-line HTML page from which the web view plays the stream.
#pragma once

#include <string>

#include "platform/ids.h"

namespace sp {

std::string MakePlayerPage(const std::string& stream_base, const std::string& station);
// Builds the page for the station and loads it into the web view `control`, if it exists.
void BuildPlayerPage(ControlId control, const std::string& station);

}  // namespace sp
