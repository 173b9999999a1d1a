// The session bus the web engine's helper processes are started with: a stand-in on
// which they can publish nothing (see engine_bus.cpp).
#pragma once

#include <optional>
#include <string>

namespace sp::linux_desktop {

// While it lives, processes started by the program get the stand-in as their session
// bus; the program's own address comes back when it ends. Does nothing when the
// program has no session bus. GUI thread, before any other thread reads the
// environment.
class HelperBusScope {
 public:
  HelperBusScope();
  ~HelperBusScope();
  HelperBusScope(const HelperBusScope&) = delete;
  HelperBusScope& operator=(const HelperBusScope&) = delete;

 private:
  bool active_ = false;
  std::optional<std::string> saved_;
};

}  // namespace sp::linux_desktop
