// Unicode conversions and case mapping, from the platform's Unicode library (ICU).
// Plain strings only: no library type crosses this header. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace sp::unicode {

// UTF-8 to UTF-16. Every ill-formed sequence (maximal subpart) becomes one U+FFFD;
// embedded NULs are kept.
std::u16string Utf8ToUtf16(std::string_view utf8);
// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// UTF-8 with every ill-formed sequence (maximal subpart) replaced by U+FFFD;
// well-formed text comes back byte for byte.
std::string ToValidUtf8(std::string_view utf8);

// Lower-cases each code unit on its own by the simple one-to-one case mapping, so
// the length never changes. Surrogate halves are left alone, and so is a unit whose
// lower case would need two units.
void LowerCodeUnits(std::u16string& text);

}  // namespace sp::unicode
