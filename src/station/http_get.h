// The program's one form of HTTP GET: a fresh libcurl handle per request, the
// fixed User-Agent, and bounds that keep a bad server from holding us for ever.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "platform/files.h"

namespace sp {

inline constexpr char DefaultUserAgent[] = "Mozilla/5.0 Gecko/41.0 Firefox/41.0";

// Flag: answer a redirect with the redirect's own body instead of following it.
inline constexpr int HttpNoRedirect = 2;

// Limits of every request. The program keeps the defaults; tests shorten the
// stall time so that a stalled server need not hold them for 20 s.
struct HttpLimits {
  std::chrono::seconds connect_timeout{10};
  // Abort when no byte at all has arrived for this long (a trickle slower than
  // that is still bounded by the total time-out).
  std::chrono::milliseconds stall_time{20000};
  // Bound on the whole transfer, connect included.
  std::chrono::seconds memory_total_timeout{60};
  std::chrono::seconds file_total_timeout{300};
  long max_redirects = 10;
  std::size_t memory_body_cap = std::size_t{1} << 20;  // API answers are tiny
  std::size_t file_body_cap = std::size_t{32} << 20;   // cover pictures and lists
};

// Sets up the HTTP library. Start-up calls it on the GUI thread before any other
// thread exists, because the library's global set-up is not safe to race; requests
// call it too, for programs and tests that skip start-up.
void InitHttp();

// Any thread. Replaces the limits for requests started afterwards.
void SetHttpLimits(const HttpLimits& limits);
HttpLimits CurrentHttpLimits();

// Any thread, blocking. Returns the body exactly as received, whatever the HTTP
// status; an empty body is an empty string. Failure (no connection, interrupted
// transfer, a limit exceeded, a scheme other than http or https) is nullopt.
std::optional<std::string> HttpGet(const std::string& url, int flags);

// Any thread, blocking. Streams the body into `path`, which is created or
// truncated first; on failure the partial file is removed. A URL without a
// scheme is plain http. A body over `max_bytes` or over the limits' file cap,
// whichever is smaller, is a failure. With `within`, a file that would not keep to it
// is a failure before anything is requested, and stays as it was.
bool HttpGetToFile(const std::string& url, const std::string& path, int flags,
                   std::size_t max_bytes = static_cast<std::size_t>(-1),
                   const files::Confinement* within = nullptr);

}  // namespace sp
