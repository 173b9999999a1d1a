// The Unicode conversions and case mapping of the platform layer, over ICU's common
// library.
#include "platform/unicode.h"
#include "platform/unicode_case.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace sp::unicode {
namespace {

constexpr UChar32 kReplacement = 0xFFFD;

// ICU counts in int32_t; longer texts are cut here rather than overflowing there.
std::int32_t Length(std::size_t n) {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(n, std::numeric_limits<std::int32_t>::max() / 3));
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  const std::int32_t in = Length(utf8.size());
  // A UTF-8 byte never gives more than one UTF-16 unit.
  std::u16string out(static_cast<std::size_t>(in), u'\0');
  std::int32_t written = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(out.data(), in, &written, utf8.data(), in, kReplacement, nullptr, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
  out.resize(static_cast<std::size_t>(written));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  const std::int32_t in = Length(utf16.size());
  // At most three UTF-8 bytes per UTF-16 unit (a pair takes four for two units).
  std::string out(static_cast<std::size_t>(in) * 3, '\0');
  std::int32_t written = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<std::int32_t>(out.size()), &written, utf16.data(), in,
                     kReplacement, nullptr, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
  out.resize(static_cast<std::size_t>(written));
  return out;
}

}  // namespace sp::unicode

namespace sp::unicode::platform {

char16_t LowerUnit(char16_t unit) {
  const UChar32 lower = u_tolower(unit);
  return lower <= 0xFFFF ? static_cast<char16_t>(lower) : unit;
}

}  // namespace sp::unicode::platform
