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

}  // namespace
}  // namespace sp
