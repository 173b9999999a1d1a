#include "ui/countdown.h"

#include <cstdio>

namespace sp {

std::string FormatCountdown(std::int64_t seconds) {
  const std::int64_t total_minutes = seconds / 60;
  const std::int64_t s = seconds - 60 * total_minutes;
  const std::int64_t h = total_minutes / 60;
  const std::int64_t m = total_minutes - 60 * h;
  char buf[64];
  if (h > 0) {
    std::snprintf(buf, sizeof buf, "%lld : %02lld : %02lld", static_cast<long long>(h),
                  static_cast<long long>(m), static_cast<long long>(s));
  } else {
    std::snprintf(buf, sizeof buf, "%02lld : %02lld", static_cast<long long>(m),
                  static_cast<long long>(s));
  }
  return buf;
}

}  // namespace sp
