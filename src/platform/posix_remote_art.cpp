// The picture folder of remote_art.h on POSIX calls.
#include "platform/remote_art.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/posix_file.h"

namespace sp {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Only names of the form Write gives, "cover-<pid>-<n>.png": the folder may be one the
// user keeps pictures of their own in (a relative one, when the application folder is
// unknown), and those are not ours to remove.
bool IsOwnPictureName(std::string_view name) {
  constexpr std::string_view kPrefix = "cover-", kSuffix = ".png";
  if (name.size() <= kPrefix.size() + kSuffix.size() || !name.starts_with(kPrefix) ||
      !name.ends_with(kSuffix))
    return false;
  name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  const std::size_t dash = name.find('-');
  return dash != std::string_view::npos && AllDigits(name.substr(0, dash)) &&
         AllDigits(name.substr(dash + 1));
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// Removes the pictures of earlier runs: each leaves its last one behind.
void RemoveOldPictures(int folder_fd) {
  const int fd = ::dup(folder_fd);
  if (fd < 0) return;
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
  if (!dir) {
    ::close(fd);
    return;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    // unlinkat removes a link itself and never follows it.
    if (IsOwnPictureName(entry->d_name)) ::unlinkat(folder_fd, entry->d_name, 0);
  }
}

}  // namespace

std::string RemoteArtFolder::Write(std::string_view png) {
  if (folder_.empty() || folder_.find('\0') != std::string::npos) return "";
  ::mkdir(folder_.c_str(), 0700);
  // O_NOFOLLOW: a link in the folder's place could lead the pictures anywhere.
  UniqueFd folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder.valid()) return "";
  if (written_ == 0) RemoveOldPictures(folder.get());

  const std::string name =
      "cover-" + std::to_string(::getpid()) + "-" + std::to_string(++written_) + ".png";
  UniqueFd file(::openat(folder.get(), name.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!file.valid()) return "";
  if (!WriteAll(file.get(), png) || !file.Close()) {
    ::unlinkat(folder.get(), name.c_str(), 0);
    return "";
  }
  if (!current_.empty()) ::unlinkat(folder.get(), current_.c_str(), 0);
  current_ = name;

  std::error_code error;
  const auto absolute = std::filesystem::absolute(folder_, error);
  if (error) return "";
  return (absolute / name).lexically_normal().string();
}

}  // namespace sp
