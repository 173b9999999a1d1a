#include "platform/utf8.h"

namespace sp::utf8 {
namespace {

struct Lead {
  int continuation_bytes;  // -1: not a lead byte
  unsigned char second_low, second_high;
  char32_t bits;
};

// Second-byte bounds exclude overlong forms, surrogates and values past U+10FFFF.
Lead Classify(unsigned char b) {
  if (b < 0x80) return {0, 0, 0, b};
  if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF, char32_t(b & 0x1F)};
  if (b == 0xE0) return {2, 0xA0, 0xBF, char32_t(b & 0x0F)};
  if (b == 0xED) return {2, 0x80, 0x9F, char32_t(b & 0x0F)};
  if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF, char32_t(b & 0x0F)};
  if (b == 0xF0) return {3, 0x90, 0xBF, char32_t(b & 0x07)};
  if (b == 0xF4) return {3, 0x80, 0x8F, char32_t(b & 0x07)};
  if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF, char32_t(b & 0x07)};
  return {-1, 0, 0, 0};
}

}  // namespace

char32_t Next(std::string_view text, std::size_t& pos) {
  const Lead lead = Classify(static_cast<unsigned char>(text[pos++]));
  if (lead.continuation_bytes < 0) return kReplacement;
  char32_t c = lead.bits;
  for (int i = 0; i < lead.continuation_bytes; ++i) {
    if (pos >= text.size()) return kReplacement;
    const auto b = static_cast<unsigned char>(text[pos]);
    const unsigned char low = i == 0 ? lead.second_low : 0x80;
    const unsigned char high = i == 0 ? lead.second_high : 0xBF;
    if (b < low || b > high) return kReplacement;  // this byte starts the next sequence
    c = (c << 6) | (b & 0x3F);
    ++pos;
  }
  return c;
}

void Append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

std::string Sanitize(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const char32_t c = Next(text, pos);
    // Well-formed sequences are copied as they are; only bad ones are rewritten.
    if (c == kReplacement && text.substr(start, pos - start) != "\xEF\xBF\xBD") {
      Append(out, kReplacement);
    } else {
      out.append(text.substr(start, pos - start));
    }
  }
  return out;
}

}  // namespace sp::utf8
