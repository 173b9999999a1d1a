// The two file operations the downloads need, so they read the same on every platform.
#pragma once

#include <string>

namespace sp::files {

// Creates `path`, or empties the regular file there, for writing; a file descriptor to
// wrap in UniqueFd, or -1. Never writes through a symbolic link planted under the name,
// and never blocks on, or writes into, anything but a regular file.
int CreateForWriting(const std::string& path);
// Removes the file at `path`; false when there was none or it could not be removed.
bool Remove(const std::string& path);

}  // namespace sp::files
