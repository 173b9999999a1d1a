// What start-up asks of the backend besides windows and controls: getting the web
// engine going early, and the marks of the start-up timeline. GUI thread only.
#pragma once

namespace sp::ui {

// Starts the web engine's helper processes now, so they come up while the rest of
// start-up runs; the next CreateWebView takes the view made here and the processes that
// came with it. Without it CreateWebView starts them itself. Does nothing on a backend
// whose web view costs nothing to start.
void WarmUpWebView();

// Handles what is pending for the toolkit, the web engine's messages among it, without
// waiting: helpers started early get their answers while start-up goes on. No window
// of the program exists yet, so no handler of the program runs.
void HandlePending();

// A step of start-up reached. The bench's build of the program writes the time of each
// step for bench/startup_timeline.sh; the program as shipped does nothing here.
void MarkStartupStep(const char* step);

}  // namespace sp::ui
