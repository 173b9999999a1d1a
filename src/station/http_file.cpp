// HttpGetToFile: the same request as HttpGet, with the body streamed to a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix_file.h"
#include "station/curl_easy.h"
#include "station/http_get.h"

namespace sp {
namespace {

struct FileBody {
  int fd = -1;
  std::size_t written = 0;
  std::size_t cap = 0;
};

// libcurl write callback; returning less than given aborts the transfer.
size_t AppendToFile(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<FileBody*>(user);
  const size_t n = size * count;
  if (n > body->cap - body->written) return 0;
  if (!WriteAll(body->fd, std::string_view(data, n))) return 0;
  body->written += n;
  return n;
}

// Opens the target for a fresh body, or fails at once. O_NOFOLLOW: a symbolic link
// planted under the target name is not written through. O_NONBLOCK and no O_TRUNC
// until it is known to be a regular file: a FIFO under that name would block the
// open (and the song watcher with it) for ever, and a device would be truncated.
UniqueFd OpenTarget(const std::string& path) {
  UniqueFd file(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0644));
  struct stat info {};
  if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      ::ftruncate(file.get(), 0) != 0)
    return UniqueFd(-1);
  return file;
}

}  // namespace

bool HttpGetToFile(const std::string& url, const std::string& path, int flags,
                   std::size_t max_bytes) {
  UniqueFd file = OpenTarget(path);
  if (!file.valid()) return false;
  const HttpLimits limits = CurrentHttpLimits();
  FileBody body{file.get(), 0, std::min(max_bytes, limits.file_body_cap)};
  bool ok = false;
  if (const detail::Request request(url, flags, limits, limits.file_total_timeout); request.ok()) {
    CURL* h = request.get();
    ok = curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(body.cap)) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendToFile) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_WRITEDATA, &body) == CURLE_OK;
    ok = ok && curl_easy_perform(h) == CURLE_OK;
  }
  ok = file.Close() && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

}  // namespace sp
