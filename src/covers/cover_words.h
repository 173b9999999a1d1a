// Lower-casing of cover names and song texts, and the words a cover name must hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sp {

// The UTF-8 text lower-cased one UTF-16 code unit at a time (the length in code units
// never changes). Invalid UTF-8 becomes U+FFFD.
std::string LowerText(std::string_view utf8);

// Appends the lower-case words of `utf8` to `words`. Code units 0 to 255 other than
// the ASCII digits and letters separate words and are dropped, so Latin-1 letters
// split words while letters above 255 (and both halves of a surrogate pair) stay in them.
void AppendWords(std::string_view utf8, std::vector<std::string>& words);

}  // namespace sp
