// ParseApiTime and the /time body clean-up, one table per behaviour.
#include "station/api_time.h"

#include <gtest/gtest.h>

#include <string>

#include "station/station_api.h"

namespace sp {
namespace {

struct TimeCase {
  const char* text;
  TimeValue expected;
};

TEST(ParseApiTime, ReadsWellFormedTextsWithoutTimeZoneConversion) {
  // Expected values are the POSIX times of the same date and time in UTC.
  const TimeCase cases[] = {
      {"2022-10-12 15:03:27", 1665587007},
      {"2022-10-12 15:03:27 +0200", 1665587007},  // the offset is ignored
      {"2022-10-12 15:03:27 -0700", 1665587007},
      {"2022-10-12 15:03:27garbage after 19", 1665587007},
      {"1970-01-01 00:00:00", 0},
      {"2024-02-29 10:00:00", 1709200800},  // leap year
      {"2000-02-29 23:59:59", 951868799},   // divisible by 400: leap
      {"2038-01-19 03:14:07", 2147483647},  // last accepted moment
  };
  for (const TimeCase& c : cases) {
    EXPECT_EQ(ParseApiTime(c.text), c.expected) << c.text;
  }
}

TEST(ParseApiTime, RejectsImpossibleOrOutOfRangeDates) {
  const char* cases[] = {
      "2022-02-29 10:00:00",  // not a leap year
      "1900-02-29 10:00:00",  // divisible by 100 only
      "2023-04-31 10:00:00", "2023-06-31 10:00:00", "2023-09-31 10:00:00", "2023-11-31 10:00:00",
      "2023-01-32 10:00:00", "2023-13-01 10:00:00", "2023-00-10 10:00:00", "2023-01-00 10:00:00",
      "2023-01-01 24:00:00", "2023-01-01 23:60:00", "2023-01-01 23:59:60",
      "1969-12-31 23:59:59",  // before the epoch
      "2038-01-19 03:14:08",  // one second past the signed 32-bit range
      "2038-02-01 00:00:00", "2039-01-01 00:00:00",
  };
  for (const char* text : cases) {
    EXPECT_EQ(ParseApiTime(text), -1) << text;
  }
}

TEST(ParseApiTime, RejectsTextsThatDoNotFitTheLayout) {
  const char* cases[] = {
      "",
      "2022-10-12",
      "2022-10-12 15:03",
      "2022-1-05 10:00:00 +0200",  // short month: the 19th character is left over
      "2022-01-5 10:00:00 +0200",
      "2022/10/12 15:03:27",
      "2022-10-12T15:03:27",
      " 2022-10-12 15:03:27",
      "+022-10-12 15:03:27",
      "2022-10-12 15:03:2x",
      "\"2022-10-12 15:03:27\"",  // quotes are removed before parsing, not by it
      "20221-10-12 15:03:27",
      "2022-10-12 1\xC3\xA9:03:27",  // non-ASCII inside the window
  };
  for (const char* text : cases) {
    EXPECT_EQ(ParseApiTime(text), -1) << text;
  }
}

TEST(ParseApiTime, ShortDigitRunsStillNeedTheWholeLayoutInNineteenCharacters) {
  // One-digit fields are read, but the text must end where the pattern ends
  // within the first 19 characters.
  EXPECT_EQ(ParseApiTime("2022-1-5 1:0:0"), ParseApiTime("2022-01-05 01:00:00"));
  EXPECT_EQ(ParseApiTime("2022-1-5 1:0:0 +0200"), -1);
}

TEST(ServerTimeText, RemovesEveryQuoteAndStopsAtAZeroByte) {
  const struct {
    std::string body;
    const char* text;
  } cases[] = {
      {"\"2022-10-12 15:03:27 +0200\"", "2022-10-12 15:03:27 +0200"},
      {"2022-10-12 15:03:27 +0200", "2022-10-12 15:03:27 +0200"},
      {"2022-10-12 \"15:03\":27", "2022-10-12 15:03:27"},
      {std::string("\"2022-10-12 15:03:27\"\0junk", 26), "2022-10-12 15:03:27"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ServerTimeText(c.body), c.text) << c.body;
    EXPECT_EQ(ParseApiTime(ServerTimeText(c.body)), ParseApiTime(c.text));
  }
  EXPECT_EQ(ParseApiTime(ServerTimeText("\"2022-10-12 15:03:27 +0200\"")), 1665587007);
}

}  // namespace
}  // namespace sp
