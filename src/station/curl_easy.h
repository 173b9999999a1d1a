// RAII ownership of a libcurl easy handle and the options every request shares.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

#include "station/http_get.h"

namespace sp::detail {

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// A new handle with URL, User-Agent, redirects, protocol and time limits set;
// null when libcurl cannot make one or refuses an option.
CurlEasy NewRequest(const std::string& url, int flags, const HttpLimits& limits,
                    std::chrono::seconds total_timeout);

}  // namespace sp::detail
