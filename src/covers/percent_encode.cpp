// The URL form the cover host is asked in.
#include "covers/percent_encode.h"

namespace sp {
namespace {

constexpr std::string_view kMarks = "!#$&'()*,-./:;=?@_~";

bool PassesUnchanged(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         (c != '\0' && kMarks.find(static_cast<char>(c)) != std::string_view::npos);
}

}  // namespace

std::string PercentEncode(std::string_view utf8) {
  return PercentEncodeExcept(utf8, PassesUnchanged);
}

std::string PercentEncodeExcept(std::string_view bytes, bool (*keep)(unsigned char)) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (keep(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace sp
