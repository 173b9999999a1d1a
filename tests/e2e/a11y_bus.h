// The accessibility bus of a private desktop session: at-spi-bus-launcher on the
// session bus, as a desktop starts it, and the bus's address once it answers.
#pragma once

#include <optional>
#include <string>

#include "tests/e2e/audio.h"
#include "tests/e2e/harness.h"

namespace e2e {

class AccessibilityBus {
 public:
  AccessibilityBus(const std::string& folder, const SessionBus& session);
  // Empty when the bus did not come up.
  const std::string& address() const { return address_; }
  std::string Log() const { return ReadFile(log_); }

 private:
  std::string log_;
  std::optional<Process> launcher_;
  std::string address_;
};

}  // namespace e2e
