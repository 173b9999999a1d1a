// Keeps the player page's stream going: hands the audio element's reports and the
// listener's commands to a StreamKeeper, carries out what it decides, and tells how the
// stream stands. GUI thread only.
#pragma once

#include <chrono>

#include "platform/ids.h"

namespace sp {

enum class StreamStatus { Stopped, Playing, Paused };
enum class ListenerCommand { Play, Pause, Toggle };

using StreamClock = std::chrono::steady_clock::time_point (*)();

// Once, after the page is in the web view `view`. Without the web view nothing happens.
// Tests pass a clock of their own.
void StartStreamWatch(ControlId view, StreamClock clock = std::chrono::steady_clock::now);
// Called now with the status, and again at each change of it.
void WatchStreamStatus(void (*listener)(StreamStatus));
// The listener's play and pause from outside the page (the desktop's media keys).
void RunListenerCommand(ListenerCommand command);

}  // namespace sp
