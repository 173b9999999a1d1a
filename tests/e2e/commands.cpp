#include "tests/e2e/commands.h"

#include <atomic>
#include <cstdint>

#include "tests/e2e/harness.h"

namespace e2e {

CommandResult RunCommand(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env, const std::string& folder,
                         std::chrono::milliseconds timeout) {
  static std::atomic<int> serial{0};
  const std::string file = folder + "/command-" + std::to_string(++serial) + ".out";
  CommandResult result;
  {
    Process process(argv, env, file);
    result.code = process.WaitExit(timeout).value_or(-1);
  }
  result.output = ReadFile(file);
  return result;
}

std::optional<std::pair<int, int>> PngSize(const std::string& bytes) {
  static const std::string kSignature = "\x89PNG\r\n\x1a\n";
  if (bytes.size() < 24 || bytes.compare(0, 8, kSignature) != 0 ||
      bytes.compare(12, 4, "IHDR") != 0)
    return std::nullopt;
  auto number = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | std::uint8_t(bytes[at + i]);
    return int(v);
  };
  return std::make_pair(number(16), number(20));
}

}  // namespace e2e
