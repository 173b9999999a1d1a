// HttpGet into memory, the shared request set-up and the process-wide limits.
#include "station/http_get.h"

#include <mutex>

#include "station/curl_easy.h"

namespace sp {
namespace {

std::mutex limits_mutex;
HttpLimits limits_in_force;

}  // namespace

void InitHttp() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

struct MemoryBody {
  std::string bytes;
  std::size_t cap = 0;
};

// libcurl write callback; returning less than given aborts the transfer.
size_t AppendToMemory(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<MemoryBody*>(user);
  const size_t n = size * count;
  if (n > body->cap - body->bytes.size()) return 0;
  body->bytes.append(data, n);
  return n;
}

}  // namespace

void SetHttpLimits(const HttpLimits& limits) {
  std::lock_guard lock(limits_mutex);
  limits_in_force = limits;
}

HttpLimits CurrentHttpLimits() {
  std::lock_guard lock(limits_mutex);
  return limits_in_force;
}

namespace detail {

CurlEasy NewRequest(const std::string& url, int flags, const HttpLimits& limits,
                    std::chrono::seconds total_timeout) {
  InitHttp();
  CurlEasy easy(curl_easy_init());
  if (!easy) return nullptr;
  CURL* h = easy.get();
  const long follow = (flags & HttpNoRedirect) != 0 ? 0L : 1L;
  bool ok = curl_easy_setopt(h, CURLOPT_URL, url.c_str()) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_USERAGENT, DefaultUserAgent) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, follow) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_MAXREDIRS, limits.max_redirects) == CURLE_OK;
  // The watcher thread must never receive SIGALRM from name resolution.
  ok = ok && curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_1_1}) == CURLE_OK;
  // A redirect must not lead to file://, ftp:// or the like; a URL without a
  // scheme is http rather than whatever libcurl would guess from the host name.
  ok = ok && curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_DEFAULT_PROTOCOL, "http") == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(limits.connect_timeout.count())) ==
                 CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes) == CURLE_OK;
  ok = ok &&
       curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(limits.low_speed_time.count())) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_TIMEOUT, long(total_timeout.count())) == CURLE_OK;
  if (!ok) return nullptr;
  return easy;
}

}  // namespace detail

std::optional<std::string> HttpGet(const std::string& url, int flags) {
  const HttpLimits limits = CurrentHttpLimits();
  detail::CurlEasy easy = detail::NewRequest(url, flags, limits, limits.memory_total_timeout);
  if (!easy) return std::nullopt;
  MemoryBody body;
  body.cap = limits.memory_body_cap;
  CURL* h = easy.get();
  // An announced length over the cap fails before any byte is stored.
  bool ok = curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(body.cap)) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendToMemory) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_WRITEDATA, &body) == CURLE_OK;
  if (!ok || curl_easy_perform(h) != CURLE_OK) return std::nullopt;
  return std::move(body.bytes);
}

}  // namespace sp
