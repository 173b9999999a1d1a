// The Unicode rules that hold on every platform, over each platform's conversions and
// case mapping (unicode_icu.cpp, win32/win32_unicode.cpp).
#include "platform/unicode.h"

#include "platform/unicode_case.h"

namespace sp::unicode {
namespace {

bool IsSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDFFF;
}

}  // namespace

std::string ToValidUtf8(std::string_view utf8) {
  return Utf16ToUtf8(Utf8ToUtf16(utf8));
}

void LowerCodeUnits(std::u16string& text) {
  for (char16_t& unit : text) {
    if (unit < 0x80) {
      if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + 32);
      continue;
    }
    if (IsSurrogate(unit)) continue;
    const char16_t lower = platform::LowerUnit(unit);
    if (!IsSurrogate(lower)) unit = lower;
  }
}

}  // namespace sp::unicode
