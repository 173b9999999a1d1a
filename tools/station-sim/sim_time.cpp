// Calendar arithmetic for the simulator's clock and date texts.
#include "sim_time.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace sim {
namespace {

struct Civil {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

bool IsLeap(std::int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysIn(std::int64_t y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool Digits(std::string_view s, std::size_t pos, std::size_t n, int& out) {
  out = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

}  // namespace

// Written apart from the program's own date code on purpose: a stand-in that shared
// it could not catch its faults.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

WallSeconds WholeSeconds(double t) {
  return static_cast<WallSeconds>(std::floor(t));
}

std::string FormatDateTime(WallSeconds t) {
  std::int64_t days = t / 86400;
  std::int64_t rest = t % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const Civil c = CivilFromDays(days);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                static_cast<long long>(c.year), c.month, c.day, static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return buf;
}

std::optional<WallSeconds> ParseDateTime(std::string_view s) {
  if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' ||
      s[16] != ':') {
    return std::nullopt;
  }
  int y, mo, d, h, mi, se;
  if (!Digits(s, 0, 4, y) || !Digits(s, 5, 2, mo) || !Digits(s, 8, 2, d) || !Digits(s, 11, 2, h) ||
      !Digits(s, 14, 2, mi) || !Digits(s, 17, 2, se)) {
    return std::nullopt;
  }
  if (mo < 1 || mo > 12 || d < 1 ||
      static_cast<unsigned>(d) > DaysIn(y, static_cast<unsigned>(mo)) || h > 23 || mi > 59 ||
      se > 59) {
    return std::nullopt;
  }
  return DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 + h * 3600 +
         mi * 60 + se;
}

bool IsUtcOffset(std::string_view s) {
  int hh, mm;
  return s.size() == 5 && (s[0] == '+' || s[0] == '-') && Digits(s, 1, 2, hh) &&
         Digits(s, 3, 2, mm) && hh <= 14 && mm <= 59;
}

WallSeconds LocalWallTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<WallSeconds>(now) + local.tm_gmtoff;
}

std::string LocalUtcOffset() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const long minutes = local.tm_gmtoff / 60;
  const long a = minutes < 0 ? -minutes : minutes;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%c%02ld%02ld", minutes < 0 ? '-' : '+', a / 60, a % 60);
  return buf;
}

}  // namespace sim
