// The two file operations the downloads need, so they read the same on every platform.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace sp::files {

// Where a download from outside may land: a file directly inside `folder` (which ends
// in the platform's separator), and none of the files there named in `own`.
struct Confinement {
  std::string folder;
  std::span<const std::string_view> own;
};

// Creates `path`, or empties the regular file there, for writing; a file descriptor to
// wrap in UniqueFd, or -1. Never writes through a symbolic link planted under the name,
// and never blocks on, or writes into, anything but a regular file. With `within`, the
// file actually opened must also keep to it (whatever other names the file system
// knows it by: another case, a short name); otherwise nothing is emptied or written.
int CreateForWriting(const std::string& path, const Confinement* within = nullptr);
// Removes the file at `path`; false when there was none or it could not be removed.
bool Remove(const std::string& path);

}  // namespace sp::files
