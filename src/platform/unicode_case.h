// The one piece of case mapping each platform gives itself (ICU on Linux, CharLowerW
// on Windows), behind the shared rules of unicode.cpp. Only the platform layer sees it.
#pragma once

namespace sp::unicode::platform {

// The simple lower case of one UTF-16 unit that is neither ASCII nor a surrogate half,
// as one unit; the unit itself when it has none that fits in one.
char16_t LowerUnit(char16_t unit);

}  // namespace sp::unicode::platform
