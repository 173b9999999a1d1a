// The file operations of files.h on POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"

namespace sp::files {

int CreateForWriting(const std::string& path) {
  // O_NOFOLLOW: a symbolic link planted under the target name is not written through.
  // O_NONBLOCK, and no O_TRUNC until the target is known to be a regular file: a FIFO
  // in its place would block the open (and the song watcher with it) for ever, and a
  // device would be truncated.
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
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
