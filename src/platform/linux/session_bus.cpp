#include "platform/linux/session_bus.h"

#include <gio/gio.h>
#include <sys/stat.h>

namespace sp::linux_desktop {

std::optional<std::string> SessionBusAddress() {
  const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) {
    if (g_strstr_len(address, -1, "autolaunch:")) return std::nullopt;
    return std::string(address);
  }
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return std::nullopt;
  const std::string socket = std::string(runtime) + "/bus";
  struct stat st {};
  if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return std::nullopt;
  g_autofree gchar* escaped = g_dbus_address_escape_value(socket.c_str());
  return "unix:path=" + std::string(escaped);
}

}  // namespace sp::linux_desktop
