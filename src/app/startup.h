// Start-up and shutdown of the program.
#pragma once

#include <string>

namespace sp {

// The whole program: start-up, then the event loop until ShutdownApp. Returns only
// when there is no display (exit code 0).
int RunProgram();

// The application folder for a configuration folder ("" when unknown): the folder
// followed by "/lumo/Tidemark Drum and Bass FM/", or that tail alone, relative.
std::string ComputeAppFolder(const std::string& config_folder);

// Stops the watcher without waiting, saves the preferences and ends the process.
[[noreturn]] void ShutdownApp();
// Releases what the program holds and ends the process with exit code 0.
[[noreturn]] void EndProgram();

}  // namespace sp
