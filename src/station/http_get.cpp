// HttpGet into memory, the shared request set-up and the process-wide limits.
#include "station/http_get.h"

#include <mutex>

#include "station/curl_easy.h"

namespace sp {

void InitHttp() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

std::mutex limits_mutex;
HttpLimits limits_in_force;

CURL* NewEasyHandle() {
  InitHttp();
  return curl_easy_init();
}

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
namespace {

// libcurl progress callback, called at least once a second during a transfer.
int CheckStall(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t) {
  auto* w = static_cast<StallWatch*>(user);
  const auto now = std::chrono::steady_clock::now();
  if (dlnow != w->last_bytes) {
    w->last_bytes = dlnow;
    w->last_progress = now;
    return 0;
  }
  return now - w->last_progress >= w->limit ? 1 : 0;
}

}  // namespace

Request::Request(const std::string& url, int flags, const HttpLimits& limits,
                 std::chrono::seconds total_timeout)
    : easy_(NewEasyHandle()), watch_(std::make_unique<StallWatch>()) {
  if (!easy_) return;
  CURL* h = easy_.get();
  watch_->limit = limits.stall_time;
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
  ok = ok && curl_easy_setopt(h, CURLOPT_TIMEOUT, long(total_timeout.count())) == CURLE_OK;
  // libcurl's own low-speed check averages over several seconds, so a stall
  // after a burst would go unnoticed for longer than the limit; count silence instead.
  ok = ok && curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CheckStall) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_XFERINFODATA, watch_.get()) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
  ok_ = ok;
}

}  // namespace detail

std::optional<std::string> HttpGet(const std::string& url, int flags) {
  const HttpLimits limits = CurrentHttpLimits();
  const detail::Request request(url, flags, limits, limits.memory_total_timeout);
  if (!request.ok()) return std::nullopt;
  MemoryBody body;
  body.cap = limits.memory_body_cap;
  CURL* h = request.get();
  // An announced length over the cap fails before any byte is stored.
  bool ok = curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(body.cap)) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendToMemory) == CURLE_OK;
  ok = ok && curl_easy_setopt(h, CURLOPT_WRITEDATA, &body) == CURLE_OK;
  if (!ok || curl_easy_perform(h) != CURLE_OK) return std::nullopt;
  return std::move(body.bytes);
}

}  // namespace sp
