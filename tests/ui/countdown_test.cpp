#include "ui/countdown.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(FormatCountdownTest, MinutesAndSecondsPaddedHoursNeither) {
  const struct {
    std::int64_t seconds;
    const char* text;
  } cases[] = {
      {0, "00 : 00"},
      {59, "00 : 59"},
      {61, "01 : 01"},
      {3599, "59 : 59"},
      {3600, "1 : 00 : 00"},
      {3661, "1 : 01 : 01"},
      {90061, "25 : 01 : 01"},  // days are never split off
      {360000, "100 : 00 : 00"},
      {2147483647, "596523 : 14 : 07"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCountdown(c.seconds), c.text) << c.seconds;
}

TEST(ParseCountdownTest, ReadsBackWhatFormatWritesAndNothingElse) {
  for (const std::int64_t s : {0LL, 59LL, 61LL, 3599LL, 3600LL, 90061LL, 2147483647LL})
    EXPECT_EQ(ParseCountdown(FormatCountdown(s)), s) << s;
  for (const char* text : {"", "00 : 6x", "00 : 60", "1 : 60 : 00", "00:10", "00 : 10 ", "-1 : 00",
                           "1 : 2 : 3 : 4", "99999999999 : 00 : 00"})
    EXPECT_EQ(ParseCountdown(text), std::nullopt) << text;
}

}  // namespace
}  // namespace sp
