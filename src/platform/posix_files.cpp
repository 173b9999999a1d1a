// The file and folder operations of files.h on POSIX calls.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/file_names.h"
#include "platform/posix_file.h"

namespace sp::files {
namespace {

// A NUL would cut the name short at the system call and reach another file.
bool UsablePath(const std::string& path) {
  return !path.empty() && path.find('\0') == std::string::npos;
}

// Makes the rename itself durable; the data is already on disk, so failure here
// costs at most the new name after a power loss.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.valid()) ::fsync(fd.get());
}

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

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t max_bytes) {
  if (!UsablePath(path)) return std::nullopt;
  // Non-blocking, so that a FIFO in the file's place cannot stall the caller in open.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (static_cast<std::uintmax_t>(st.st_size) > max_bytes) return std::nullopt;

  std::string data;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) return data;
    // The file may grow after fstat; the limit holds for what is actually read.
    if (data.size() + static_cast<std::size_t>(n) > max_bytes) return std::nullopt;
    data.append(buffer, static_cast<std::size_t>(n));
  }
}

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  if (!UsablePath(path)) return false;
  // Same folder as the target, so the rename cannot cross file systems.
  std::string temp = path + ".tmp-XXXXXX";
  UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd.valid()) return false;

  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
    ::fchmod(fd.get(), old.st_mode & 07777);  // cosmetic; the default 0600 is safe

  const bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.Close() &&
                       ::rename(temp.c_str(), path.c_str()) == 0;
  if (!written) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolderOf(path);
  return true;
}

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

bool IsFolder(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty()) return false;
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolderPath(const std::string& path, std::int64_t attributes) {
  std::string p = path;
  if (!p.empty() && p.back() == '/') p.pop_back();
  // Walk the fields from the left, creating each missing prefix. The empty first
  // field of an absolute path is the root, which always exists.
  std::string prefix;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = p.find('/', start);
    prefix = p.substr(0, slash);
    if (!prefix.empty() && !IsFolder(prefix)) ::mkdir(prefix.c_str(), 0777);  // failure shows below
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  if (attributes != -1 && !p.empty()) ::chmod(p.c_str(), static_cast<mode_t>(attributes));
  return IsFolder(p.empty() ? path : p);
}

}  // namespace sp::files
