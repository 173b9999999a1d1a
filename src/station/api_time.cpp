// Strict parser for "YYYY-MM-DD hh:mm:ss": fixed layout, bounded digit runs,
// real calendar checks, and the signed 32-bit seconds range.
#include "station/api_time.h"

#include <cstddef>

namespace sp {
namespace {

constexpr std::size_t kDateTextLength = 19;
constexpr TimeValue kLastTime = 2147483647;  // 2038-01-19 03:14:07

bool IsLeapYear(std::int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

// Walks the text left to right the way the date pattern is matched.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  // Reads 1 to max_digits decimal digits; false when there is none.
  bool Number(int max_digits, int& value) {
    value = 0;
    int count = 0;
    while (count < max_digits && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
      ++count;
    }
    return count > 0;
  }

  bool Literal(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  bool AtEnd() const { return pos_ == text_.size(); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  // Shifts the year to start in March so the leap day is the last day of it.
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
}

TimeValue ParseApiTime(std::string_view text) {
  // The first 19 characters: UTF-8 bytes here, but any non-ASCII character in
  // that window fails the match either way, so counting bytes gives the same result.
  Reader in(text.substr(0, kDateTextLength));
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  const bool matched = in.Number(4, year) && in.Literal('-') && in.Number(2, month) &&
                       in.Literal('-') && in.Number(2, day) && in.Literal(' ') &&
                       in.Number(2, hour) && in.Literal(':') && in.Number(2, minute) &&
                       in.Literal(':') && in.Number(2, second) && in.AtEnd();
  if (!matched) return kNoTime;
  if (month < 1 || month > 12) return kNoTime;
  if (year < 1970 || year > 2038) return kNoTime;
  if (day < 1 || static_cast<unsigned>(day) > DaysInMonth(year, static_cast<unsigned>(month))) {
    return kNoTime;
  }
  if (hour > 23 || minute > 59 || second > 59) return kNoTime;
  const TimeValue seconds =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
      hour * 3600 + minute * 60 + second;
  return seconds > kLastTime ? kNoTime : seconds;
}

}  // namespace sp
