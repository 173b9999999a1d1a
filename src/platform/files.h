// Every file and folder operation of the program, with the same protections on every
// platform: no link followed, nothing but regular files read or written, bounded reads,
// and replacement that leaves either the old file or the whole new one. One
// implementation per platform (posix_files.cpp, win32/win32_files.cpp). Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sp::files {

// The contents of the regular file at `path`; nothing when it cannot be opened, is not
// a regular file (a folder, a FIFO, a device) or holds more than `max_bytes`.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t max_bytes);

// Writes `bytes` to a new file beside `path` (`path` + ".tmp-" + six characters),
// flushes it to disk and renames it over `path`. On any failure the new file is
// removed, an old file at `path` stays as it was, and the result is false. The file
// keeps the old file's permissions; a first one is private to the user.
bool ReplaceFile(const std::string& path, std::string_view bytes);

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

// Whether `path` names an existing folder; trailing separators are allowed, and on
// Windows a drive ("C:", "C:\") is a folder when the drive exists.
bool IsFolder(const std::string& path);

// Creates `path` and every missing parent; existing folders are left alone, and a
// drive is never created. A trailing separator is allowed. attributes = -1 leaves the
// folder as created; any other value is applied to the final folder (a POSIX mode, or
// Windows' file attributes). Returns true when the whole path names a folder afterwards.
bool CreateFolderPath(const std::string& path, std::int64_t attributes = -1);

}  // namespace sp::files
