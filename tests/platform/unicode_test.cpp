// Lenient UTF-8: one U+FFFD per maximal ill-formed subpart, good text untouched.
#include "platform/unicode.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

constexpr char kR[] = "\xEF\xBF\xBD";

TEST(ToValidUtf8, ReplacesEachIllFormedSubpartOnce) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain \xC3\xA9 \xF0\x9F\x8E\xB5", "plain \xC3\xA9 \xF0\x9F\x8E\xB5"},
      {kR, kR},                              // a real U+FFFD stays one
      {"caf\xE9", std::string("caf") + kR},  // Latin-1 byte
      {"\xC3", kR},                          // cut at the end
      {"\xE2\x82"
       "A",
       std::string(kR) + "A"},                               // cut before an ASCII letter
      {"\xC0\x80", std::string(kR) + kR},                    // overlong NUL
      {"\xED\xA0\x80", std::string(kR) + kR + kR},           // surrogate half
      {"\xF4\x90\x80\x80", std::string(kR) + kR + kR + kR},  // beyond U+10FFFF
      {"\xF0\x9F\x8E"
       "\xF0\x9F\x8E\xB5",
       std::string(kR) + "\xF0\x9F\x8E\xB5"},
      {"\xFF\xFE", std::string(kR) + kR},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(unicode::ToValidUtf8(in), out) << in;
}

}  // namespace
}  // namespace sp
