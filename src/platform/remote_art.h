// The cover on show as a picture file the desktop's remote control can read
// (remote_control.h): one file per picture, each under a name never used before
// (desktops cache pictures by their address), in a folder of the program's own, the
// previous picture removed. A platform whose remote control shows no pictures writes
// none (no_remote_art.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace sp {

class RemoteArtFolder {
 public:
  // `folder` is created when missing; it must not be a symbolic link.
  explicit RemoteArtFolder(std::string folder) : folder_(std::move(folder)) {}

  // Writes the picture and removes the previous one (and, the first time, whatever
  // earlier runs left). The new file's absolute path; empty when it could not be written.
  std::string Write(std::string_view png);

 private:
  std::string folder_;
  std::string current_;  // name of the file written last
  std::uint64_t written_ = 0;
};

}  // namespace sp
