// UTF-8 read leniently: text from outside may carry stray bytes, and one bad byte
// must not cost the whole text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sp::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Decodes the code point at `pos` and advances `pos` past it. An ill-formed
// sequence gives kReplacement and advances past its maximal valid prefix (at least
// one byte), the usual "one U+FFFD per maximal subpart" rule. `pos` < text.size().
char32_t Next(std::string_view text, std::size_t& pos);

// The text with every ill-formed sequence replaced by U+FFFD; well-formed text
// comes back byte for byte.
std::string Sanitize(std::string_view text);

// Appends code point `c` (a scalar value) as UTF-8.
void Append(std::string& out, char32_t c);

}  // namespace sp::utf8
