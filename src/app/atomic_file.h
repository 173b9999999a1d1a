// Whole-file access for small files: a bounded read that cannot block on special
// files, and a replace that leaves either the old file or the complete new one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sp {

// The contents of the regular file at `path`; nothing when it cannot be opened, is not
// a regular file (a folder, a FIFO, a device) or holds more than `max_bytes`.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t max_bytes);

// Writes `bytes` to a new file beside `path` (`path` + ".tmp-" + six characters),
// flushes it to disk and renames it over `path`. On any failure the new file is
// removed, an old file at `path` stays as it was, and the result is false. The file
// keeps the old file's permissions; a first one is private to the user.
bool ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace sp
