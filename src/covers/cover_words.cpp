// Words are cut on UTF-16 code units, as the station's cover names were made for a
// program that counted in them; the results go back to UTF-8.
#include "covers/cover_words.h"

#include "platform/unicode.h"

namespace sp {
namespace {

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool IsSeparator(char16_t c) {
  const bool digit = c >= u'0' && c <= u'9';
  const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
  return c <= 255 && !digit && !letter;
}

}  // namespace

std::string LowerText(std::string_view utf8) {
  // Most names are ASCII; they need no trip through UTF-16.
  if (IsAscii(utf8)) {
    std::string out(utf8);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
  }
  std::u16string units = unicode::Utf8ToUtf16(utf8);
  unicode::LowerCodeUnits(units);
  return unicode::Utf16ToUtf8(units);
}

void AppendWords(std::string_view utf8, std::vector<std::string>& words) {
  std::u16string units = unicode::Utf8ToUtf16(utf8);
  unicode::LowerCodeUnits(units);
  std::u16string word;
  for (const char16_t c : units) {
    if (!IsSeparator(c)) {
      word += c;
    } else if (!word.empty()) {
      // Both halves of a pair are above 255, so a word never ends between them and
      // converts back to UTF-8 whole.
      words.push_back(unicode::Utf16ToUtf8(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(unicode::Utf16ToUtf8(word));
}

}  // namespace sp
