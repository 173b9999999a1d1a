// Where the desktop's session bus is, found without GIO's last resort: with no address
// GIO would start a bus of its own through X11, for the rest of the X session.
#pragma once

#include <optional>
#include <string>

namespace sp::linux_desktop {

// DBUS_SESSION_BUS_ADDRESS when set (unless it asks for such a start), else the socket
// $XDG_RUNTIME_DIR/bus when it exists; nothing otherwise.
std::optional<std::string> SessionBusAddress();

}  // namespace sp::linux_desktop
