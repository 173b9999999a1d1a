// RAII ownership of a libcurl easy handle with the options every request shares.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string>

#include "station/http_get.h"

namespace sp::detail {

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// Aborts a transfer in which no byte has arrived for `limit`.
struct StallWatch {
  std::chrono::steady_clock::duration limit{};
  std::chrono::steady_clock::time_point last_progress = std::chrono::steady_clock::now();
  curl_off_t last_bytes = -1;
};

// One request: URL, User-Agent, redirects, protocols and time limits set.
class Request {
 public:
  // ok() is false when libcurl cannot make a handle or refuses an option.
  Request(const std::string& url, int flags, const HttpLimits& limits,
          std::chrono::seconds total_timeout);
  bool ok() const { return ok_; }
  CURL* get() const { return easy_.get(); }

 private:
  CurlEasy easy_;
  std::unique_ptr<StallWatch> watch_;  // its address is handed to libcurl
  bool ok_ = false;
};

}  // namespace sp::detail
