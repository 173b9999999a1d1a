// HttpGetToFile: the same request as HttpGet, with the body streamed to a file.
#include <algorithm>

#include "platform/files.h"
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

}  // namespace

bool HttpGetToFile(const std::string& url, const std::string& path, int flags,
                   std::size_t max_bytes, const files::Confinement* within) {
  UniqueFd file(files::CreateForWriting(path, within));
  if (file.get() < 0) return false;
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
  if (!ok) files::Remove(path);
  return ok;
}

}  // namespace sp
