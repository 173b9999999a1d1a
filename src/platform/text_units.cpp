#include "platform/text_units.h"

#include <algorithm>

#include "platform/unicode.h"

namespace sp::text_units {
namespace {

bool IsSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U'\u00a0';
}

int Length(std::u32string_view text) {
  return int(text.size());
}

// Whether a unit begins at `p` (0 < p < length), or, for the end kinds, ends there.
bool IsBoundary(std::u32string_view text, int p, Unit unit) {
  switch (unit) {
    case Unit::Character:
      return true;
    case Unit::WordStart:
      return !IsSpace(text[p]) && IsSpace(text[p - 1]);
    case Unit::WordEnd:
      return IsSpace(text[p]) && !IsSpace(text[p - 1]);
    case Unit::LineStart:
      return text[p - 1] == U'\n';
    case Unit::LineEnd:
      return text[p] == U'\n';
  }
  return false;
}

}  // namespace

Span At(std::u32string_view text, int offset, Unit unit) {
  const int length = Length(text);
  if (length == 0) return {};
  offset = std::clamp(offset, 0, length);
  if (unit == Unit::Character)
    return offset == length ? Span{length, length} : Span{offset, offset + 1};
  if (offset == length) offset = length - 1;
  // The unit runs from the last boundary at or before the offset to the next one after
  // it, the ends of the text counting as boundaries.
  int start = offset;
  while (start > 0 && !IsBoundary(text, start, unit)) --start;
  int end = offset + 1;
  while (end < length && !IsBoundary(text, end, unit)) ++end;
  return {start, end};
}

Span Before(std::u32string_view text, int offset, Unit unit) {
  const Span here = At(text, offset, unit);
  return here.start > 0 ? At(text, here.start - 1, unit) : Span{0, 0};
}

Span After(std::u32string_view text, int offset, Unit unit) {
  const Span here = At(text, offset, unit);
  return here.end < Length(text) ? At(text, here.end, unit) : Span{Length(text), Length(text)};
}

int PreviousLineStart(std::u32string_view text, int caret) {
  const Span line = At(text, caret, Unit::LineStart);
  return line.start > 0 ? At(text, line.start - 1, Unit::LineStart).start : caret;
}

int NextLineStart(std::u32string_view text, int caret) {
  const Span line = At(text, caret, Unit::LineStart);
  return line.end < Length(text) ? line.end : caret;
}

int LineEndOf(std::u32string_view text, int caret) {
  const Span line = At(text, caret, Unit::LineStart);
  return line.end > line.start && text[std::size_t(line.end - 1)] == U'\n' ? line.end - 1
                                                                           : line.end;
}

std::u32string Decode(std::string_view utf8) {
  // The program's one reading of UTF-8, then the surrogate pairs joined.
  const std::u16string units = unicode::Utf8ToUtf16(utf8);
  std::u32string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t unit = units[i];
    const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() &&
                      units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
    out += pair ? 0x10000 + ((unit - 0xD800) << 10) + (char32_t(units[++i]) - 0xDC00) : unit;
  }
  return out;
}

}  // namespace sp::text_units
