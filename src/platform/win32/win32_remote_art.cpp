// Without the desktop's remote control (win32_remote.cpp) nothing reads a cover file,
// so none is written.
#include "app/remote_art.h"

namespace sp {

std::string RemoteArtFolder::Write(std::string_view) {
  return "";
}

}  // namespace sp
