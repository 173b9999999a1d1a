// Test support: running a command line tool to its end, and reading PNG sizes.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct CommandResult {
  int code = -1;       // -1 when it did not end in time
  std::string output;  // standard output and error together
};

// Runs argv with `env` added to the test's environment, its output into a file in
// `folder`, for at most `timeout`.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env, const std::string& folder,
                         std::chrono::milliseconds timeout);

// Width and height from a PNG's header; nothing when the bytes are no PNG.
std::optional<std::pair<int, int>> PngSize(const std::string& bytes);

}  // namespace e2e
