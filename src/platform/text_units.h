// Characters, words and lines of a control's text, as a screen reader steps through
// them. Offsets count characters (code points), as assistive technology does.
#pragma once

#include <string>
#include <string_view>

namespace sp::text_units {

struct Span {
  int start = 0, end = 0;  // characters, end excluded
  friend bool operator==(const Span&, const Span&) = default;
};

enum class Unit {
  Character,
  WordStart,  // a word and the spaces after it
  WordEnd,    // the spaces before a word and the word
  LineStart,  // a line with its line break
  LineEnd,    // the line break before a line and the line
};

// The unit holding `offset`; past the end, the last one. Empty at the ends, where
// there is nothing.
Span At(std::u32string_view text, int offset, Unit unit);
// The units just before and just after the one holding `offset`.
Span Before(std::u32string_view text, int offset, Unit unit);
Span After(std::u32string_view text, int offset, Unit unit);

// Where the caret goes for the reading keys: the start of the line before or after
// the caret's (it stays on the first or last line), and the start or end of its line.
int PreviousLineStart(std::u32string_view text, int caret);
int NextLineStart(std::u32string_view text, int caret);
int LineEndOf(std::u32string_view text, int caret);

// UTF-8 to characters; each ill-formed sequence reads as one U+FFFD.
std::u32string Decode(std::string_view utf8);

}  // namespace sp::text_units
