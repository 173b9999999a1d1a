// The "Time Left" text: seconds as "mm : ss", or "h : mm : ss" from one hour on.
#pragma once

#include <cstdint>
#include <string>

namespace sp {

// Hours are neither padded nor bounded; days are never split off. The caller shows
// only non-negative counts.
std::string FormatCountdown(std::int64_t seconds);

}  // namespace sp
