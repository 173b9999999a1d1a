// For a platform whose remote control shows no pictures (Windows): nothing reads a
// cover file, so none is written.
#include "platform/remote_art.h"

namespace sp {

std::string RemoteArtFolder::Write(std::string_view) {
  return "";
}

}  // namespace sp
