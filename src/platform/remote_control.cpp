// The part of the remote control that every backend shares.
#include "platform/remote_control.h"

namespace sp::remote {

std::string TrackObjectPath(std::string_view app_id, std::uint64_t serial) {
  if (serial == 0) return "";
  std::string path = "/";
  bool element_empty = true;
  for (const char c : app_id) {
    if (c == '.') {
      if (element_empty) continue;  // no empty elements: "a..b" and ".a" stay valid
      path += '/';
      element_empty = true;
      continue;
    }
    const bool allowed =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    path += allowed ? c : '_';
    element_empty = false;
  }
  if (!element_empty) path += '/';
  return path + "Track/" + std::to_string(serial);
}

}  // namespace sp::remote
