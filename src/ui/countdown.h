// The "Time Left" text: seconds as "mm : ss", or "h : mm : ss" from one hour on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sp {

// Hours are neither padded nor bounded; days are never split off. The caller shows
// only non-negative counts.
std::string FormatCountdown(std::int64_t seconds);
// The seconds a text of FormatCountdown stands for; nothing for any other text.
std::optional<std::int64_t> ParseCountdown(std::string_view text);

}  // namespace sp
