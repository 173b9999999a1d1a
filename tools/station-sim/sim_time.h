// The simulator's clock and the service's date texts ("2026-12-07 21:14:05 +0100").
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

using Steady = std::chrono::steady_clock;

// Seconds since 1970-01-01 00:00:00 as written on the station's wall clock;
// the UTC offset is carried separately as text.
using WallSeconds = std::int64_t;

std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);

// "YYYY-MM-DD hh:mm:ss" for any year 0 to 9999.
std::string FormatDateTime(WallSeconds t);

// Reads exactly "YYYY-MM-DD hh:mm:ss" with a valid date; nullopt otherwise.
std::optional<WallSeconds> ParseDateTime(std::string_view text);

// "+hhmm" or "-hhmm" with hh <= 14 and mm <= 59.
bool IsUtcOffset(std::string_view text);

// The machine's local time and its UTC offset right now.
WallSeconds LocalWallTimeNow();
std::string LocalUtcOffset();

// A wall clock that starts at a chosen time and runs `speed` times as fast as
// real time (0 stops it). Readings take the real moment as a parameter.
class SimClock {
 public:
  SimClock(double start, double speed, Steady::time_point anchor)
      : start_(start), speed_(speed), anchor_(anchor) {}

  double At(Steady::time_point t) const {
    return start_ + speed_ * std::chrono::duration<double>(t - anchor_).count();
  }
  double speed() const { return speed_; }

  // Continues from `now_value` at `at`, with the new speed.
  void Reset(double now_value, double speed, Steady::time_point at) {
    start_ = now_value;
    speed_ = speed;
    anchor_ = at;
  }

 private:
  double start_;
  double speed_;
  Steady::time_point anchor_;
};

// floor() for wall-clock readings, which may be negative in tests.
WallSeconds WholeSeconds(double t);

}  // namespace sim
