// The file operations of files.h on POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/file_names.h"
#include "platform/files.h"
#include "platform/posix_file.h"

namespace sp::files {
namespace {

// O_NOFOLLOW: a symbolic link planted under the target name is not written through.
// O_NONBLOCK, and no O_TRUNC until the target is known to be a regular file: a FIFO in
// its place would block the open (and the song watcher with it) for ever, and a device
// would be truncated.
constexpr int kOpenFlags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// Opened from the folder itself, so the file is one of its entries whatever the path
// above it does; and not one of the folder's own files under another of its names.
int OpenWithin(const std::string& path, const Confinement& within) {
  if (path.compare(0, within.folder.size(), within.folder) != 0) return -1;
  const std::string name = path.substr(within.folder.size());
  if (!IsPlainFileName(name)) return -1;
  UniqueFd folder(::open(within.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.valid()) return -1;
  UniqueFd fd(::openat(folder.get(), name.c_str(), kOpenFlags, 0644));
  struct stat opened {};
  if (!fd.valid() || ::fstat(fd.get(), &opened) != 0) return -1;
  const bool own = std::any_of(within.own.begin(), within.own.end(), [&](std::string_view n) {
    struct stat st {};
    return ::fstatat(folder.get(), std::string(n).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           st.st_dev == opened.st_dev && st.st_ino == opened.st_ino;
  });
  if (own) return -1;
  return fd.release();
}

}  // namespace

int CreateForWriting(const std::string& path, const Confinement* within) {
  const int fd = within ? OpenWithin(path, *within) : ::open(path.c_str(), kOpenFlags, 0644);
  if (fd < 0) return -1;
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

}  // namespace sp::files
