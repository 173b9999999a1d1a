#include "platform/text_units.h"

#include <algorithm>

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
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80         ? 0
                      : lead >> 5 == 0x6  ? 1
                      : lead >> 4 == 0xe  ? 2
                      : lead >> 3 == 0x1e ? 3
                                          : -1;
    char32_t c = extra == 0   ? lead
                 : extra == 1 ? lead & 0x1f
                 : extra == 2 ? lead & 0x0f
                              : lead & 0x07;
    bool valid = extra >= 0 && i + std::size_t(extra) < utf8.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + std::size_t(k)]);
      valid = next >> 6 == 0x2;
      c = c << 6 | (next & 0x3f);
    }
    // A broken sequence reads as one replacement character per byte, as GLib does.
    out += valid ? c : U'\ufffd';
    i += valid ? std::size_t(extra) + 1 : 1;
  }
  return out;
}

}  // namespace sp::text_units
