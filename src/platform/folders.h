// Folder creation for the application folder.
#pragma once

#include <cstdint>
#include <string>

namespace sp {

// Creates `path` and every missing parent; existing folders are left alone. A
// trailing "/" is allowed. attributes = -1 leaves the mode as created; any other
// value is applied (as a POSIX mode) to the final folder. Returns true when the
// whole path names a folder afterwards.
bool CreateFolderPath(const std::string& path, std::int64_t attributes = -1);

bool IsFolder(const std::string& path);

}  // namespace sp
