// Bounded reads and all-or-nothing replacement of small files, on plain POSIX calls.
#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/posix_file.h"

namespace sp {
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

}  // namespace sp
