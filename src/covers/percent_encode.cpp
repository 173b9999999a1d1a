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
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (PassesUnchanged(c)) {
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
