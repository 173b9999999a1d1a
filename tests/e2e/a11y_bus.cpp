#include "tests/e2e/a11y_bus.h"

#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "tests/e2e/commands.h"

namespace e2e {

AccessibilityBus::AccessibilityBus(const std::string& folder, const SessionBus& session)
    : log_(folder + "/a11y-bus.log") {
  // Found through the session bus alone: without a desktop the launcher leaves no note
  // of it on the screen.
  const std::string runtime = folder + "/a11y-run";
  std::filesystem::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);
  launcher_.emplace(
      std::vector<std::string>{"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"},
      std::map<std::string, std::string>{{"DBUS_SESSION_BUS_ADDRESS", session.address()},
                                         {"XDG_RUNTIME_DIR", runtime}},
      log_);
  const auto deadline = std::chrono::steady_clock::now() + 15s;
  while (std::chrono::steady_clock::now() < deadline) {
    const CommandResult r =
        RunCommand({"gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                    "/org/a11y/bus", "--method", "org.a11y.Bus.GetAddress"},
                   {{"DBUS_SESSION_BUS_ADDRESS", session.address()}}, folder, 5s);
    const auto quote = r.output.find('\'');
    if (r.code == 0 && quote != std::string::npos) {
      address_ = r.output.substr(quote + 1, r.output.find('\'', quote + 1) - quote - 1);
      return;
    }
    std::this_thread::sleep_for(100ms);
  }
}

}  // namespace e2e
